// Meshes and textures of the scene's own models (see models.h).
#include "tools/assets/models.h"

#include "tools/assets/noise.h"

#include <algorithm>
#include <cmath>
#include <glm/common.hpp>
#include <glm/geometric.hpp>

namespace {

constexpr float pi = 3.14159265359f;

float smoothstep(float edge0, float edge1, float x)
{
    const float t = glm::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

float fraction(float x)
{
    return x - std::floor(x);
}

// Direction on the unit sphere for texture coordinates (u, v), the inverse of uvSphere's mapping.
glm::vec3 directionAt(float u, float v)
{
    const float latitude = (v - 0.5f) * pi, longitude = u * 2.0f * pi;
    return {std::cos(latitude) * std::sin(longitude), std::sin(latitude), std::cos(latitude) * std::cos(longitude)};
}

// Texture coordinates at the centre of texel (x, y) of a width x height image (first row at v = 1).
glm::vec2 texelUv(int x, int y, int width, int height)
{
    return {(static_cast<float>(x) + 0.5f) / static_cast<float>(width),
            1.0f - (static_cast<float>(y) + 0.5f) / static_cast<float>(height)};
}

struct Crater {
    glm::vec3 centre; // unit direction
    float radius;     // angular radius of the rim, radians
    float depth;      // in units of the body's radius
};

// Bowl below the surrounding ground with a raised rim, in units of the crater's depth; zero beyond
// twice the rim radius.
float craterProfile(float x)
{
    constexpr float rimHeight = 0.3f, rimWidth = 0.25f;
    const float rim = rimHeight * std::exp(-((x - 1.0f) / rimWidth) * ((x - 1.0f) / rimWidth));
    const float bowl = x < 1.0f ? x * x - 1.0f : 0.0f;
    return x < 2.0f ? bowl + rim : 0.0f;
}

float craterRelief(const std::vector<Crater>& craters, const glm::vec3& direction)
{
    float relief = 0.0f;
    for (const Crater& c : craters) {
        const float cosine = glm::dot(direction, c.centre);
        if (cosine < std::cos(std::min(pi, 2.0f * c.radius)))
            continue;
        relief += c.depth * craterProfile(std::acos(std::min(1.0f, cosine)) / c.radius);
    }
    return relief;
}

std::vector<Crater> randomCraters(uint64_t seed, int count, float minRadius, float maxRadius, float depthPerRadius)
{
    Rng rng(seed);
    std::vector<Crater> craters;
    for (int i = 0; i < count; ++i) {
        const glm::vec3 centre = rng.unitVector();
        // Small craters far outnumber large ones.
        const float t = rng.uniform();
        const float radius = minRadius + (maxRadius - minRadius) * t * t * t;
        craters.push_back({centre, radius, radius * depthPerRadius});
    }
    return craters;
}

// A unit sphere pushed out along each direction by radius(direction), then stretched.
MeshData displacedSphere(int slices, int stacks, const glm::vec3& stretch, float (*radius)(const glm::vec3&))
{
    MeshData mesh = uvSphere(slices, stacks);
    for (glm::vec3& p : mesh.positions)
        p = p * radius(p) * stretch;
    computeSmoothNormals(mesh);
    return mesh;
}

} // namespace

// ---- Earth ----

Image earthNormalMap(const Image& colour, int width, int height)
{
    const Image small = downsample(colour, width, height);
    Field land(width, height), luminance(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const glm::vec3 c = small.at(x, y);
            const float lum = glm::dot(c, glm::vec3(0.299f, 0.587f, 0.114f));
            // Open sea is markedly bluer than it is red or green; ice is bright in every channel.
            const float blueExcess = c.b - std::max(c.r, c.g);
            land.at(x, y) = std::max(smoothstep(0.08f, 0.02f, blueExcess), smoothstep(0.65f, 0.8f, lum));
            luminance.at(x, y) = lum;
        }
    }
    Field localMean = luminance;
    blur(localMean, 3, 2, true);
    blur(land, 1, 1, true);
    Field relief(width, height);
    for (size_t i = 0; i < relief.values.size(); ++i) {
        const float detail = glm::clamp(3.0f * (luminance.values[i] - localMean.values[i]), -0.5f, 0.5f);
        relief.values[i] = land.values[i] * (0.6f + detail);
    }
    return normalMapFromHeight(relief, 3.0f, true);
}

Image earthStandIn(int width, int height)
{
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const glm::vec2 uv = texelUv(x, y, width, height);
            const glm::vec3 d = directionAt(uv.x, uv.y);
            const float n = fractalNoise(d * 2.5f, 5, 11u);
            glm::vec3 c = n > 0.08f ? glm::mix(glm::vec3(0.2f, 0.35f, 0.12f), glm::vec3(0.65f, 0.55f, 0.35f), std::min(1.0f, (n - 0.08f) * 4.0f))
                                    : glm::vec3(0.02f, 0.06f, 0.25f + 0.1f * n);
            if (std::fabs(d.y) > 0.94f)
                c = glm::vec3(0.92f, 0.94f, 0.97f);
            image.at(x, y) = c;
        }
    }
    return image;
}

// ---- Rocket ----

MeshData rocketMesh()
{
    constexpr int segments = 48;
    constexpr float bodyRadius = 0.15f, bodyTop = 1.12f, tipY = 1.6f;
    std::vector<glm::vec2> bodyAndNose = {{bodyRadius, 0.43f}, {bodyRadius, bodyTop}};
    // Tangent ogive from the body to the tip.
    const float length = tipY - bodyTop;
    const float rho = (bodyRadius * bodyRadius + length * length) / (2.0f * bodyRadius);
    constexpr int noseSteps = 12;
    for (int i = 1; i <= noseSteps; ++i) {
        const float fromBase = length * static_cast<float>(i) / noseSteps;
        const float fromTip = length - fromBase;
        const float r = i == noseSteps ? 0.0f : std::sqrt(rho * rho - (length - fromTip) * (length - fromTip)) + bodyRadius - rho;
        bodyAndNose.emplace_back(r, bodyTop + fromBase);
    }
    const std::vector<std::vector<glm::vec2>> profile = {
        {{0.0f, 0.40f}, {0.055f, 0.40f}},                                     // top of the nozzle's cavity
        {{0.055f, 0.40f}, {0.068f, 0.33f}, {0.095f, 0.25f}},                  // inner wall of the bell
        {{0.095f, 0.25f}, {0.112f, 0.25f}},                                   // lip at the exit, y = 0.25
        {{0.112f, 0.25f}, {0.09f, 0.31f}, {0.076f, 0.36f}, {0.07f, 0.385f}},  // outside of the bell
        {{0.07f, 0.385f}, {bodyRadius, 0.43f}},                               // tapered base of the body
        bodyAndNose,
    };
    MeshData mesh = lathe(profile, segments);

    // Fins: outline in (distance from the axis, y), root inside the body skin.
    const std::vector<glm::vec2> fin = {{0.14f, 0.45f}, {0.34f, 0.30f}, {0.34f, 0.46f}, {0.14f, 0.82f}};
    for (int k = 0; k < 4; ++k) {
        const float angle = pi / 4.0f + static_cast<float>(k) * pi / 2.0f;
        addPlate(mesh, fin, {std::sin(angle), 0.0f, std::cos(angle)}, {0.0f, 1.0f, 0.0f}, 0.018f,
                 {0.05f, 0.40f, 0.30f, 0.48f});
    }
    return mesh;
}

Image rocketTexture(int width, int height)
{
    // Band colours from the bottom of the texture (v = 0) to the top.
    const glm::vec3 bands[] = {{0.55f, 0.36f, 0.24f}, {0.86f, 0.78f, 0.64f}, {0.72f, 0.52f, 0.34f},
                               {0.95f, 0.92f, 0.85f}, {0.80f, 0.58f, 0.38f}, {0.93f, 0.86f, 0.72f},
                               {0.62f, 0.42f, 0.28f}, {0.97f, 0.94f, 0.88f}, {0.84f, 0.66f, 0.46f},
                               {0.90f, 0.84f, 0.72f}, {0.66f, 0.47f, 0.33f}, {0.94f, 0.90f, 0.82f}};
    constexpr int bandCount = sizeof bands / sizeof bands[0];
    const glm::vec2 spot(0.3f, 0.55f), spotRadii(0.09f, 0.04f);
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const glm::vec2 uv = texelUv(x, y, width, height);
            // Noise on a circle keeps the texture seamless around the rocket.
            const glm::vec3 around(std::cos(2.0f * pi * uv.x), std::sin(2.0f * pi * uv.x), 0.0f);
            const float wave = 0.012f * fractalNoise(around * 2.0f + glm::vec3(0, 0, uv.y * 25.0f), 4, 21u);
            const float b = glm::clamp(uv.y + wave, 0.0f, 0.9999f) * static_cast<float>(bandCount);
            const int k = static_cast<int>(b);
            const float edge = smoothstep(0.8f, 1.0f, b - static_cast<float>(k));
            glm::vec3 c = glm::mix(bands[k], bands[std::min(k + 1, bandCount - 1)], edge);
            c *= 0.9f + 0.1f * fractalNoise(around * 6.0f + glm::vec3(0, 0, uv.y * 140.0f), 3, 22u);
            const glm::vec2 q = (uv - spot) / spotRadii;
            const float inSpot = smoothstep(1.0f, 0.7f, glm::length(q));
            c = glm::mix(c, glm::vec3(0.78f, 0.36f, 0.22f) * (0.85f + 0.15f * std::cos(6.0f * glm::length(q))), inSpot);
            image.at(x, y) = c;
        }
    }
    return image;
}

// ---- Asteroid ----

namespace {

float asteroidRadius(const glm::vec3& d)
{
    static const std::vector<Crater> craters = randomCraters(31, 14, 0.15f, 0.5f, 0.35f);
    return 1.0f + 0.34f * fractalNoise(d * 1.3f, 3, 32u) + 0.06f * fractalNoise(d * 5.0f, 3, 33u) +
           craterRelief(craters, d);
}

} // namespace

MeshData asteroidMesh()
{
    return displacedSphere(72, 36, glm::vec3(1.35f, 0.95f, 1.0f) * 2.6f, asteroidRadius);
}

// ---- Probe ----

namespace {

// Atlas rectangles (u0, v0, u1, v1), each inset so mipmaps do not bleed between them.
constexpr float atlasInset = 6.0f / 1024.0f;
constexpr UvRect cellsUv{atlasInset, 0.5f + atlasInset, 1.0f - atlasInset, 1.0f - atlasInset};
constexpr UvRect foilUv{atlasInset, atlasInset, 0.5f - atlasInset, 0.5f - atlasInset};
constexpr UvRect whiteUv{0.5f + atlasInset, 0.25f + atlasInset, 1.0f - atlasInset, 0.5f - atlasInset};
constexpr UvRect metalUv{0.5f + atlasInset, atlasInset, 1.0f - atlasInset, 0.25f - atlasInset};

struct Surface {
    glm::vec3 colour;
    float height; // relief for the normal map, 0..1
};

// Raised tiles separated by grooves of `groove` (fraction of a tile) along both axes.
float tileRelief(float s, float t, float groove)
{
    const float fs = fraction(s), ft = fraction(t);
    const float edge = std::min(std::min(fs, 1.0f - fs), std::min(ft, 1.0f - ft));
    return smoothstep(0.0f, groove, edge);
}

Surface probeSurface(const glm::vec2& uv)
{
    if (uv.y >= 0.5f) {
        // Solar wing: four panels along u, each with 8 x 12 cells, in a grey frame.
        const float s = uv.x * 4.0f, t = (uv.y - 0.5f) * 2.0f;
        const float ps = fraction(s);
        if (ps < 0.025f || ps > 0.975f || t < 0.04f || t > 0.96f)
            return {glm::vec3(0.55f, 0.56f, 0.6f), 0.5f};
        const float cs = (ps - 0.025f) / 0.95f * 8.0f, ct = (t - 0.04f) / 0.92f * 12.0f;
        const float tile = tileRelief(cs, ct, 0.08f);
        Rng cellRng(static_cast<uint64_t>(std::floor(s) * 1000.0f + std::floor(cs) * 31.0f + std::floor(ct)));
        const glm::vec3 cell = glm::vec3(0.05f, 0.08f, 0.22f) * cellRng.range(0.85f, 1.15f);
        // Two thin collector strips across each cell.
        const float strip = std::fabs(fraction(ct) * 3.0f - std::round(fraction(ct) * 3.0f)) < 0.04f ? 1.0f : 0.0f;
        const glm::vec3 c = glm::mix(glm::vec3(0.62f, 0.64f, 0.68f), glm::mix(cell, glm::vec3(0.35f, 0.38f, 0.48f), strip), tile);
        return {c, 0.3f + 0.7f * tile + 0.05f * strip};
    }
    const glm::vec3 p(uv.x * 24.0f, uv.y * 24.0f, 0.0f);
    if (uv.x < 0.5f) {
        // Crinkled gold foil.
        const float crinkle = 1.0f - std::fabs(fractalNoise(p, 4, 41u));
        return {glm::vec3(0.83f, 0.62f, 0.24f) * (0.55f + 0.6f * crinkle * crinkle), 0.5f * crinkle};
    }
    const float grain = fractalNoise(p * 2.0f, 3, 42u);
    if (uv.y >= 0.25f) {
        const float panel = tileRelief(uv.x * 16.0f, uv.y * 16.0f, 0.03f);
        return {glm::vec3(0.86f, 0.86f, 0.84f) * (0.94f + 0.04f * grain) * (0.75f + 0.25f * panel), 0.5f * panel};
    }
    const float panel = tileRelief(uv.x * 8.0f, uv.y * 16.0f, 0.04f);
    return {glm::vec3(0.3f, 0.3f, 0.33f) * (0.9f + 0.1f * grain) * (0.7f + 0.3f * panel), 0.5f * panel};
}

} // namespace

MeshData probeMesh()
{
    MeshData mesh;
    auto uniform = [](const UvRect& rect) { return [rect](const glm::vec3&) { return rect; }; };
    addBox(mesh, glm::vec3(0.0f), {0.8f, 0.7f, 0.7f}, uniform(foilUv));
    addBox(mesh, {0.3f, 0.3f, 0.78f}, {0.12f, 0.1f, 0.08f}, uniform(whiteUv));
    addBox(mesh, {-0.3f, -0.2f, -0.8f}, {0.2f, 0.15f, 0.1f}, uniform(metalUv));

    // Ion engine below the bus, from the inside of its bell outwards and up to the mount.
    appendMesh(mesh, lathe({{{0.0f, -0.85f}, {0.26f, -0.85f}},
                            {{0.26f, -0.85f}, {0.38f, -1.1f}},
                            {{0.38f, -1.1f}, {0.42f, -1.1f}},
                            {{0.42f, -1.1f}, {0.3f, -0.8f}},
                            {{0.3f, -0.8f}, {0.3f, -0.7f}}},
                           32, metalUv));
    // High-gain dish on a mast above the bus: back, rim, then the concave face back to the axis.
    appendMesh(mesh, lathe({{{0.06f, 0.7f}, {0.06f, 1.0f}}}, 16, metalUv));
    constexpr float dishRadius = 0.75f, dishDepth = 0.2f;
    constexpr int dishSteps = 10;
    std::vector<glm::vec2> back, front;
    for (int i = 0; i <= dishSteps; ++i) {
        const float r = dishRadius * static_cast<float>(i) / static_cast<float>(dishSteps);
        const float sag = dishDepth * (r / dishRadius) * (r / dishRadius);
        back.emplace_back(r, 0.96f + sag);
    }
    for (auto it = back.rbegin(); it != back.rend(); ++it)
        front.emplace_back(it->x, it->y + 0.02f);
    appendMesh(mesh, lathe({back, {back.back(), front.front()}, front}, 48, whiteUv));
    appendMesh(mesh, lathe({{{0.025f, 0.98f}, {0.025f, 1.36f}},
                            {{0.025f, 1.36f}, {0.1f, 1.38f}},
                            {{0.1f, 1.38f}, {0.1f, 1.41f}},
                            {{0.1f, 1.41f}, {0.0f, 1.44f}}},
                           16, metalUv));

    // Solar wings along +X and -X on short booms; cells face +Y, u runs outwards along each wing.
    for (float side : {1.0f, -1.0f}) {
        addBox(mesh, {side * 1.0f, 0.0f, 0.0f}, {0.2f, 0.04f, 0.04f}, uniform(metalUv));
        const glm::mat3 axes(glm::vec3(0, 0, -side), glm::vec3(0, 1, 0), glm::vec3(side, 0, 0));
        addBox(mesh, {side * 2.5f, 0.0f, 0.0f}, {0.55f, 0.02f, 1.3f},
               [](const glm::vec3& n) { return n.y > 0.5f ? cellsUv : metalUv; }, axes);
    }
    return mesh;
}

Image probeDiffuse(int size)
{
    Image image(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            image.at(x, y) = probeSurface(texelUv(x, y, size, size)).colour;
    return image;
}

Image probeNormalMap(int size)
{
    Field height(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            height.at(x, y) = probeSurface(texelUv(x, y, size, size)).height;
    return normalMapFromHeight(height, 2.5f, false);
}

// ---- Phobos ----

namespace {

const std::vector<Crater>& phobosCraters()
{
    static const std::vector<Crater> craters = [] {
        std::vector<Crater> list = randomCraters(51, 30, 0.07f, 0.32f, 0.35f);
        // One crater far larger than the rest.
        list.push_back({glm::normalize(glm::vec3(0.9f, 0.2f, 0.4f)), 0.5f, 0.14f});
        return list;
    }();
    return craters;
}

float phobosRadius(const glm::vec3& d)
{
    return 1.0f + 0.09f * fractalNoise(d * 1.6f, 4, 52u) + craterRelief(phobosCraters(), d);
}

} // namespace

MeshData phobosMesh()
{
    return displacedSphere(80, 40, glm::vec3(1.25f, 0.95f, 1.05f) * 3.6f, phobosRadius);
}

Image phobosTexture(int width, int height)
{
    // Relief of the mesh's craters plus many small ones that only the texture carries.
    Field relief(width, height);
    std::vector<glm::vec3> directions(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const glm::vec2 uv = texelUv(x, y, width, height);
            const glm::vec3 d = directionAt(uv.x, uv.y);
            directions[static_cast<size_t>(y * width + x)] = d;
            relief.at(x, y) = phobosRadius(d) + 0.02f * fractalNoise(d * 12.0f, 3, 53u);
        }
    }
    for (const Crater& c : randomCraters(54, 500, 0.008f, 0.07f, 0.3f)) {
        // Visit only the rows and columns within reach of the crater.
        const float reach = 2.0f * c.radius;
        const float latitude = std::asin(glm::clamp(c.centre.y, -1.0f, 1.0f));
        const float longitude = std::atan2(c.centre.x, c.centre.z);
        const int rowLow = std::max(0, static_cast<int>((0.5f - (latitude + reach) / pi) * static_cast<float>(height)) - 1);
        const int rowHigh = std::min(height - 1, static_cast<int>((0.5f - (latitude - reach) / pi) * static_cast<float>(height)) + 1);
        const float spread = std::fabs(latitude) + reach > 1.4f ? pi : reach / std::cos(std::fabs(latitude) + reach);
        const int columnCentre = static_cast<int>(longitude / (2.0f * pi) * static_cast<float>(width));
        const int columnReach = std::min(width / 2, static_cast<int>(spread / (2.0f * pi) * static_cast<float>(width)) + 2);
        for (int y = rowLow; y <= rowHigh; ++y) {
            for (int k = -columnReach; k <= columnReach; ++k) {
                const int x = ((columnCentre + k) % width + width) % width;
                const float cosine = glm::dot(directions[static_cast<size_t>(y * width + x)], c.centre);
                const float angle = std::acos(glm::clamp(cosine, -1.0f, 1.0f));
                relief.at(x, y) += c.depth * craterProfile(angle / c.radius);
            }
        }
    }
    // Albedo with the relief lit from the upper left baked in, so the craters read at any light.
    Image image(width, height);
    const float texelAngle = pi / static_cast<float>(height);
    for (int y = 0; y < height; ++y) {
        const int up = std::max(0, y - 1), down = std::min(height - 1, y + 1);
        for (int x = 0; x < width; ++x) {
            const int left = (x + width - 1) % width, right = (x + 1) % width;
            const glm::vec3 d = directions[static_cast<size_t>(y * width + x)];
            const float stretch = std::max(0.25f, std::sqrt(1.0f - d.y * d.y));
            const float slopeU = (relief.at(right, y) - relief.at(left, y)) / (2.0f * texelAngle * stretch);
            const float slopeV = (relief.at(x, up) - relief.at(x, down)) / (2.0f * texelAngle);
            const float light = glm::clamp(1.0f + 1.2f * (0.7f * slopeU - 0.7f * slopeV), 0.45f, 1.6f);
            const float albedo = 0.8f + 0.2f * fractalNoise(d * 6.0f, 5, 55u);
            image.at(x, y) = glm::vec3(0.46f, 0.41f, 0.37f) * albedo * light;
        }
    }
    return image;
}
