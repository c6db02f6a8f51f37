// The figures of a comparison of two RGB pictures of one size (8 bits a channel, rows in order):
// the strict ones of the reference test (root-mean-square difference, share of pixels that
// differ at all) and the cross-driver one, which forgives what another rasteriser changes from
// pixel to pixel (texture filtering, edge coverage) and still sees a change a viewer would see
// over an area (exposure, bloom, occlusion, lens ghosts). Pure arithmetic: reads the two pixel
// arrays, writes nothing.
#pragma once

#include <cstddef>

// Both pictures are box-blurred over (2 x radius + 1)^2 pixels, edges clamped, before a pixel is
// judged: a 7 x 7 mean spreads an isolated wrong pixel over 49.
constexpr int kCrossDriverBlurRadius = 3;
// A pixel is beyond when a channel of the two blurred pictures differs by more than this many
// levels of 255.
constexpr int kCrossDriverThresholdLevels = 5;
// The cross-driver judgement holds while at most this share of the pixels is beyond.
constexpr double kCrossDriverBound = 0.002;

struct ImageDifference {
    double rmse = 0.0;            // over RGB, normalised to 0..1
    double differingShare = 0.0;  // pixels with any channel different, 0..1
    double beyondShare = 0.0;     // pixels beyond the threshold after the blur, 0..1
};

// a and b hold width x height pixels of three bytes each; width and height are above 0.
ImageDifference compareImages(const unsigned char* a, const unsigned char* b, int width, int height);

inline bool crossDriverHolds(const ImageDifference& difference)
{
    return difference.beyondShare <= kCrossDriverBound;
}
