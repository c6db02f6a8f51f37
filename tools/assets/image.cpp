// Generic image generators and raster helpers of the asset tool (see image.h).
#include "tools/assets/image.h"

#include "tools/assets/noise.h"

#include <algorithm>
#include <cmath>
#include <glm/common.hpp>
#include <glm/geometric.hpp>

namespace {

constexpr float pi = 3.14159265359f;

// Adds `colour` weighted by `shape(dx, dy)` to every texel within `reach` of (cx, cy).
template <typename Shape>
void splat(Image& image, float cx, float cy, float reach, const glm::vec3& colour, Shape shape)
{
    const int x0 = std::max(0, static_cast<int>(std::floor(cx - reach)));
    const int x1 = std::min(image.width - 1, static_cast<int>(std::ceil(cx + reach)));
    const int y0 = std::max(0, static_cast<int>(std::floor(cy - reach)));
    const int y1 = std::min(image.height - 1, static_cast<int>(std::ceil(cy + reach)));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            image.at(x, y) += colour * shape(static_cast<float>(x) + 0.5f - cx, static_cast<float>(y) + 0.5f - cy);
}

float smoothstep(float edge0, float edge1, float x)
{
    const float t = glm::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

} // namespace

Image::Image(int w, int h, const glm::vec3& fill)
    : width(w), height(h), texels(static_cast<size_t>(w) * static_cast<size_t>(h), fill)
{
}

Field::Field(int w, int h, float fill)
    : width(w), height(h), values(static_cast<size_t>(w) * static_cast<size_t>(h), fill)
{
}

std::vector<uint8_t> toRgb8(const Image& image)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(image.texels.size() * 3);
    for (const glm::vec3& t : image.texels)
        for (int c = 0; c < 3; ++c)
            bytes.push_back(static_cast<uint8_t>(std::lround(glm::clamp(t[c], 0.0f, 1.0f) * 255.0f)));
    return bytes;
}

Image downsample(const Image& image, int width, int height)
{
    Image result(width, height);
    for (int y = 0; y < height; ++y) {
        const int sy0 = y * image.height / height, sy1 = std::max(sy0 + 1, (y + 1) * image.height / height);
        for (int x = 0; x < width; ++x) {
            const int sx0 = x * image.width / width, sx1 = std::max(sx0 + 1, (x + 1) * image.width / width);
            glm::vec3 sum(0.0f);
            for (int sy = sy0; sy < sy1; ++sy)
                for (int sx = sx0; sx < sx1; ++sx)
                    sum += image.at(sx, sy);
            result.at(x, y) = sum / static_cast<float>((sy1 - sy0) * (sx1 - sx0));
        }
    }
    return result;
}

void blur(Field& field, int radius, int passes, bool wrapX)
{
    std::vector<float> line;
    const float weight = 1.0f / static_cast<float>(2 * radius + 1);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < field.height; ++y) {
            line.assign(&field.at(0, y), &field.at(0, y) + field.width);
            for (int x = 0; x < field.width; ++x) {
                float sum = 0.0f;
                for (int k = -radius; k <= radius; ++k) {
                    int sx = x + k;
                    sx = wrapX ? (sx + field.width) % field.width : std::clamp(sx, 0, field.width - 1);
                    sum += line[static_cast<size_t>(sx)];
                }
                field.at(x, y) = sum * weight;
            }
        }
        for (int x = 0; x < field.width; ++x) {
            line.resize(static_cast<size_t>(field.height));
            for (int y = 0; y < field.height; ++y)
                line[static_cast<size_t>(y)] = field.at(x, y);
            for (int y = 0; y < field.height; ++y) {
                float sum = 0.0f;
                for (int k = -radius; k <= radius; ++k)
                    sum += line[static_cast<size_t>(std::clamp(y + k, 0, field.height - 1))];
                field.at(x, y) = sum * weight;
            }
        }
    }
}

Image normalMapFromHeight(const Field& height, float strength, bool latLong)
{
    // Horizontal slopes near the poles of a latitude-longitude map are capped at this stretch.
    constexpr float maxStretch = 4.0f;
    Image result(height.width, height.height);
    for (int y = 0; y < height.height; ++y) {
        const int up = std::max(0, y - 1), down = std::min(height.height - 1, y + 1);
        float stretch = 1.0f;
        if (latLong) {
            const float latitude = (0.5f - (static_cast<float>(y) + 0.5f) / static_cast<float>(height.height)) * pi;
            stretch = std::min(maxStretch, 1.0f / std::cos(latitude));
        }
        for (int x = 0; x < height.width; ++x) {
            int left = x - 1, right = x + 1;
            if (latLong) {
                left = (left + height.width) % height.width;
                right %= height.width;
            } else {
                left = std::max(0, left);
                right = std::min(height.width - 1, right);
            }
            const float du = 0.5f * (height.at(right, y) - height.at(left, y)) * stretch;
            const float dv = 0.5f * (height.at(x, up) - height.at(x, down));
            const glm::vec3 n = glm::normalize(glm::vec3(-strength * du, -strength * dv, 1.0f));
            result.at(x, y) = n * 0.5f + 0.5f;
        }
    }
    return result;
}

Image lensStar(int size, uint32_t seed)
{
    struct Ray {
        float angle, width, length, strength;
    };
    Rng rng(seed);
    std::vector<Ray> rays;
    // Six long spikes from the aperture blades, then many faint thin streaks.
    constexpr int spikes = 6;
    for (int k = 0; k < spikes; ++k)
        rays.push_back({0.3f + static_cast<float>(k) * pi / 3.0f, 0.010f, 0.45f, 0.55f});
    for (int k = 0; k < 120; ++k)
        rays.push_back({rng.range(0.0f, 2.0f * pi), rng.range(0.002f, 0.009f), rng.range(0.12f, 0.4f),
                        rng.range(0.08f, 0.45f)});

    Image image(size, size);
    const float half = 0.5f * static_cast<float>(size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float dx = (static_cast<float>(x) + 0.5f - half) / half;
            const float dy = (static_cast<float>(y) + 0.5f - half) / half;
            const float r = std::sqrt(dx * dx + dy * dy);
            const float angle = std::atan2(dy, dx);
            float value = std::exp(-(r * r) / (0.05f * 0.05f)) + 0.35f * std::exp(-r / 0.12f);
            for (const Ray& ray : rays) {
                float d = std::fmod(std::fabs(angle - ray.angle), 2.0f * pi);
                d = std::min(d, 2.0f * pi - d);
                if (d > 4.0f * ray.width)
                    continue;
                // Rays widen slightly with distance so they do not end in a needle point.
                const float w = ray.width * (1.0f + r);
                value += ray.strength * std::exp(-(d * d) / (w * w)) * std::exp(-r / ray.length);
            }
            value *= smoothstep(1.0f, 0.8f, r);
            image.at(x, y) = glm::vec3(std::min(value, 1.0f));
        }
    }
    return image;
}

Image lensDirt(int width, int height, uint32_t seed)
{
    Rng rng(seed);
    Image image(width, height);
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    auto tint = [&] { return glm::vec3(1.0f) + glm::vec3(rng.range(-0.08f, 0.08f), 0.0f, rng.range(-0.08f, 0.08f)); };

    // Large greasy smudges: soft, stretched, irregular blobs.
    for (int i = 0; i < 45; ++i) {
        const float cx = rng.range(0, w), cy = rng.range(0, h);
        const float radius = rng.range(25.0f, 110.0f), stretch = rng.range(0.5f, 1.0f);
        const float angle = rng.range(0.0f, pi), c = std::cos(angle), s = std::sin(angle);
        const float strength = rng.range(0.03f, 0.11f);
        const uint32_t noiseSeed = rng.next();
        splat(image, cx, cy, radius * 2.0f, tint() * strength, [&](float dx, float dy) {
            const float u = (c * dx + s * dy) / radius, v = (-s * dx + c * dy) / (radius * stretch);
            const float irregular = 0.6f + 0.4f * valueNoise(glm::vec3(dx, dy, 0.0f) / (0.35f * radius), noiseSeed);
            return std::exp(-(u * u + v * v) * 1.5f) * irregular;
        });
    }
    // Out-of-focus dust: discs with a soft edge and a brighter rim.
    for (int i = 0; i < 180; ++i) {
        const float cx = rng.range(0, w), cy = rng.range(0, h);
        const float radius = rng.range(2.0f, 10.0f), strength = rng.range(0.12f, 0.45f);
        splat(image, cx, cy, radius + 2.0f, tint() * strength, [&](float dx, float dy) {
            const float r = std::sqrt(dx * dx + dy * dy) / radius;
            return smoothstep(1.1f, 0.9f, r) * (0.6f + 0.4f * r * r);
        });
    }
    // Fine dust points.
    for (int i = 0; i < 1400; ++i) {
        const float cx = rng.range(0, w), cy = rng.range(0, h);
        const float radius = rng.range(0.5f, 1.4f), strength = rng.range(0.1f, 0.6f);
        splat(image, cx, cy, 3.0f * radius, tint() * strength, [&](float dx, float dy) {
            return std::exp(-(dx * dx + dy * dy) / (radius * radius));
        });
    }
    // Wipe marks: faint, slightly curved streaks.
    for (int i = 0; i < 14; ++i) {
        glm::vec3 p(rng.range(0, w), rng.range(0, h), 0.0f);
        const float length = rng.range(60.0f, 240.0f), width = rng.range(2.0f, 6.0f);
        const float strength = rng.range(0.03f, 0.07f);
        float heading = rng.range(0.0f, 2.0f * pi);
        const float bend = rng.range(-0.01f, 0.01f);
        const glm::vec3 colour = tint() * strength;
        for (float t = 0.0f; t < length; t += 1.5f) {
            heading += bend;
            p += glm::vec3(std::cos(heading), std::sin(heading), 0.0f) * 1.5f;
            const float fade = std::sin(pi * t / length);
            splat(image, p.x, p.y, 2.0f * width, colour * fade * 0.25f, [&](float dx, float dy) {
                return std::exp(-(dx * dx + dy * dy) / (width * width));
            });
        }
    }
    for (glm::vec3& t : image.texels)
        t = glm::min(t, glm::vec3(1.0f));
    return image;
}

Image lensColorRamp()
{
    // Key colours from warm to cool, evenly spaced along the ramp.
    const glm::vec3 keys[] = {{1.0f, 0.35f, 0.15f}, {1.0f, 0.7f, 0.3f}, {1.0f, 0.95f, 0.75f},
                              {0.6f, 1.0f, 0.85f}, {0.35f, 0.75f, 1.0f}, {0.45f, 0.35f, 1.0f}};
    constexpr int keyCount = sizeof keys / sizeof keys[0];
    Image image(256, 1);
    for (int x = 0; x < 256; ++x) {
        const float t = static_cast<float>(x) / 255.0f * static_cast<float>(keyCount - 1);
        const int k = std::min(keyCount - 2, static_cast<int>(t));
        image.at(x, 0) = glm::mix(keys[k], keys[k + 1], t - static_cast<float>(k));
    }
    return image;
}

Image starField(int size, uint32_t seed)
{
    // Star colours from hot to cool.
    const glm::vec3 palette[] = {{0.72f, 0.82f, 1.0f}, {0.88f, 0.92f, 1.0f}, {1.0f, 1.0f, 1.0f},
                                 {1.0f, 0.94f, 0.82f}, {1.0f, 0.82f, 0.64f}};
    // Stars per 1024 x 1024 texels; the largest reaches 3.5 texels from its centre.
    constexpr float density = 2800.0f;
    constexpr float border = 5.0f;
    Rng rng(seed);
    Image image(size, size);
    const float extent = static_cast<float>(size) - 2.0f * border;
    const int count = static_cast<int>(density * static_cast<float>(size) * static_cast<float>(size) / (1024.0f * 1024.0f));
    for (int i = 0; i < count; ++i) {
        const float cx = border + rng.range(0.0f, extent), cy = border + rng.range(0.0f, extent);
        // Most stars are faint; brightness falls off steeply as in a real sky.
        const float u = rng.uniform();
        const float brightness = 0.1f + 0.9f * u * u * u * u * u * u;
        const float sigma = 0.45f + 0.7f * brightness; // at most 1.15 texels
        const glm::vec3 colour = palette[rng.next() % 5] * brightness;
        splat(image, cx, cy, 3.0f * sigma, colour, [&](float dx, float dy) {
            return std::exp(-(dx * dx + dy * dy) / (2.0f * sigma * sigma));
        });
    }
    for (glm::vec3& t : image.texels)
        t = glm::min(t, glm::vec3(1.0f));
    return image;
}
