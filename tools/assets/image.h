// Images of the asset tool: a floating-point RGB raster (values 0..1, first row at the top, which
// the texture loader puts at v = 1), its 8-bit PNG and baseline JPEG writers, and the generic
// generators of the scene's images: lens star, lens dirt, lens colour ramp, star field, flat
// colours, and tangent-space normal maps from height fields.
#pragma once

#include <cstdint>
#include <glm/vec3.hpp>
#include <string>
#include <vector>

struct Image {
    int width = 0;
    int height = 0;
    std::vector<glm::vec3> texels; // row-major, first row first

    Image() = default;
    Image(int w, int h, const glm::vec3& fill = glm::vec3(0.0f));
    glm::vec3& at(int x, int y) { return texels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
    const glm::vec3& at(int x, int y) const { return texels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
};

// A scalar field of the same layout, used for heights and masks.
struct Field {
    int width = 0;
    int height = 0;
    std::vector<float> values;

    Field() = default;
    Field(int w, int h, float fill = 0.0f);
    float& at(int x, int y) { return values[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
    float at(int x, int y) const { return values[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
};

// Three 8-bit channels per texel, clamped and rounded.
std::vector<uint8_t> toRgb8(const Image& image);

// Eight-bit RGB PNG and baseline JPEG (the only kinds the run-time decoder reads), encoded in
// memory and written whole or not at all. False, with the reason in error, on failure.
bool writePng(const std::string& path, const Image& image, std::string& error);
bool writeJpg(const std::string& path, const Image& image, std::string& error, int quality = 92);

// Box-filtered resize to a smaller size.
Image downsample(const Image& image, int width, int height);

// Separable box blur of `radius` texels, repeated `passes` times; wraps horizontally when asked.
void blur(Field& field, int radius, int passes, bool wrapX);

// Tangent-space normal map of a height field: red along +u (to the right), green along +v (towards
// the first row), blue out of the surface; `strength` scales the slopes. With `latLong` the field
// is an equirectangular map whose horizontal slopes are stretched by 1 / cos(latitude) and wrap.
Image normalMapFromHeight(const Field& height, float strength, bool latLong);

// Grey star-burst centred on a `size` x `size` image: a core glow and thin rays fading out before
// the border.
Image lensStar(int size, uint32_t seed);

// Smudges, specks, dust and smears on black, as seen on a lens against a bright light.
Image lensDirt(int width, int height, uint32_t seed);

// 256 x 1 colour ramp for lens ghosts: warm at the left end, cool at the right end.
Image lensColorRamp();

// Stars only, on black: small points of varied brightness and colour, kept off the borders so
// that a cube built from six copies shows no cut stars.
Image starField(int size, uint32_t seed);
