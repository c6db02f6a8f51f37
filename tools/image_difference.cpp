// The strict and the cross-driver figures of two RGB pictures (see image_difference.h). The blur
// keeps integer box sums, so the threshold is compared exactly: a mean beyond T levels is a sum
// beyond T times the number of taps.
#include "tools/image_difference.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// Per pixel and channel, the sum of the (2 x radius + 1)^2 samples around it, the picture's
// edge pixels repeated beyond it; in two passes, along rows and then along columns.
std::vector<int> boxSums(const unsigned char* rgb, int width, int height, int radius)
{
    const auto at = [width](int x, int y, int c) {
        return (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3 + std::size_t(c);
    };
    std::vector<int> rows(std::size_t(width) * std::size_t(height) * 3, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                for (int dx = -radius; dx <= radius; ++dx)
                    rows[at(x, y, c)] += rgb[at(std::clamp(x + dx, 0, width - 1), y, c)];
    std::vector<int> sums(rows.size(), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                for (int dy = -radius; dy <= radius; ++dy)
                    sums[at(x, y, c)] += rows[at(x, std::clamp(y + dy, 0, height - 1), c)];
    return sums;
}

}  // namespace

ImageDifference compareImages(const unsigned char* a, const unsigned char* b, int width, int height)
{
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    double sum = 0.0;
    std::size_t differing = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        bool differs = false;
        for (std::size_t c = 0; c < 3; ++c) {
            const double d = (double(a[3 * i + c]) - double(b[3 * i + c])) / 255.0;
            sum += d * d;
            differs = differs || d != 0.0;
        }
        differing += differs ? 1 : 0;
    }

    const std::vector<int> sumsA = boxSums(a, width, height, kCrossDriverBlurRadius);
    const std::vector<int> sumsB = boxSums(b, width, height, kCrossDriverBlurRadius);
    const int taps = (2 * kCrossDriverBlurRadius + 1) * (2 * kCrossDriverBlurRadius + 1);
    const int beyondSum = kCrossDriverThresholdLevels * taps;
    std::size_t beyond = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        bool isBeyond = false;
        for (std::size_t c = 0; c < 3; ++c)
            isBeyond = isBeyond || std::abs(sumsA[3 * i + c] - sumsB[3 * i + c]) > beyondSum;
        beyond += isBeyond ? 1 : 0;
    }

    ImageDifference difference;
    difference.rmse = std::sqrt(sum / double(3 * pixels));
    difference.differingShare = double(differing) / double(pixels);
    difference.beyondShare = double(beyond) / double(pixels);
    return difference;
}
