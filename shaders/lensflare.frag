#version 150
// Lens-flare features of the thresholded half-size scene: ghosts of the bright parts repeated
// along the line through the screen centre, a halo ring, both split into colour fringes along
// that line and tinted by the lens colour ramp. The image is mirrored through the centre, as a
// real lens's internal reflections are. Output RGB is linear HDR; alpha is not read.

in vec2 uv;  // 0..1 across the target

uniform sampler2D uInputTex;   // RGB: what exceeds the flare threshold, linear HDR
uniform sampler1D uLensColor;  // colour ramp from the centre (0) to a corner (1) of the screen
uniform int uSamples;          // ghosts per pixel
uniform float uDispersal;      // ghost spacing, as a fraction of the distance to the centre
uniform float uHaloWidth;      // halo radius, as a fraction of the centre's distance to the top edge
uniform float uDistortion;     // colour fringe spread, in units of kFringeTexels

out vec4 fragColor;

const vec2 kCentre = vec2(0.5);
const float kCornerDistance = 0.70710678;  // length(kCentre): a corner's distance from the centre
const float kGhostFalloff = 2.0;           // ghosts fade away from the centre
const float kHaloFalloff = 5.0;
// Strength of the features against the thresholded scene. The composite shows them through the
// lens dirt and star-burst, which pass only a few per cent on average, so they are kept strong.
const float kGhostGain = 0.5;
const float kHaloGain = 0.6;
const float kFringeTexels = 6.0;

// Red, green and blue fetched apart along direction, as a lens's chromatic aberration spreads them.
vec3 fringed(vec2 at, vec2 direction)
{
    return vec3(texture(uInputTex, at - direction).r,
                texture(uInputTex, at).g,
                texture(uInputTex, at + direction).b);
}

bool onScreen(vec2 at)
{
    return all(greaterThanEqual(at, vec2(0.0))) && all(lessThanEqual(at, vec2(1.0)));
}

// 1 at the centre, 0 at the corners and beyond.
float centreWeight(vec2 at, float falloff)
{
    return pow(max(0.0, 1.0 - length(kCentre - at) / kCornerDistance), falloff);
}

void main()
{
    vec2 size = vec2(textureSize(uInputTex, 0));
    vec2 aspect = vec2(size.x / size.y, 1.0);
    vec2 mirrored = vec2(1.0) - uv;

    vec2 toCentre = kCentre - mirrored;
    // Unit direction measured on screen (aspect-corrected), so the halo is a circle; zero at the centre.
    vec2 screenToCentre = toCentre * aspect;
    float screenDistance = length(screenToCentre);
    vec2 direction = screenDistance > 0.0 ? screenToCentre / screenDistance : vec2(0.0);
    vec2 fringe = direction / aspect * (uDistortion * kFringeTexels / size.y);

    vec3 features = vec3(0.0);
    vec2 ghostStep = toCentre * uDispersal;
    for (int i = 0; i < uSamples; ++i) {
        // Ghost i is the mirrored image scaled by 1 / (1 - i uDispersal) about the centre; a
        // magnified ghost spreads its light thinner, so a large light near the centre cannot
        // flood the frame with the ghosts that pass close to their focus.
        float scale = 1.0 - uDispersal * float(i);
        vec2 at = mirrored + ghostStep * float(i);
        float weight = kGhostGain * centreWeight(at, kGhostFalloff) * min(1.0, scale * scale);
        if (weight > 0.0 && onScreen(at))
            features += fringed(at, fringe) * weight;
    }

    vec2 haloAt = mirrored + direction / aspect * (uHaloWidth * 0.5);
    float haloWeight = kHaloGain * centreWeight(haloAt, kHaloFalloff);
    if (haloWeight > 0.0 && onScreen(haloAt))
        features += fringed(haloAt, fringe) * haloWeight;

    features *= texture(uLensColor, length(toCentre) / kCornerDistance).rgb;
    fragColor = vec4(features, 1.0);
}
