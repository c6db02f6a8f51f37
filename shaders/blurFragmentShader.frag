#version 150
// One direction of the separable blur: Gaussian weights over uBlurRadius texels either side of
// the pixel along ScaleU. Each pair of neighbouring taps is read with one linear-filtered fetch
// placed between them at their weight-balanced offset, so radius R costs 1 + 2 ceil(R / 2)
// fetches instead of 2 R + 1. The source must therefore be linearly filtered.

const float kSigmaPerTexelOfRadius = 0.3;  // sigma = 0.3 R: the outermost tap keeps 0.4 % weight, so
                                           // even a bright source leaves no square edge
const float kMinSigma = 0.5;

uniform sampler2D textureSource;  // linear filtering, clamped at the edges
uniform vec2 ScaleU;              // blur direction: (1, 0) along x or (0, 1) along y
uniform int uBlurRadius;          // in texels of textureSource; 0 copies

in vec2 uv;                       // 0..1 across the target

out vec4 fragColor;

void main()
{
    vec2 texelStep = ScaleU / vec2(textureSize(textureSource, 0));
    float radius = float(uBlurRadius);
    float sigma = max(radius * kSigmaPerTexelOfRadius, kMinSigma);

    // Gaussian weights g(k) = exp(-k^2 / (2 sigma^2)) stepped by ratios instead of an exp per
    // tap: g(k + 1) = g(k) * ratio(k), ratio(k + 1) = ratio(k) * exp(-1 / sigma^2).
    float ratioStep = exp(-1.0 / (sigma * sigma));
    float ratio = exp(-0.5 / (sigma * sigma));
    float weight = 1.0;

    vec4 sum = texture(textureSource, uv);
    float totalWeight = 1.0;
    for (int near = 1; near <= uBlurRadius; near += 2) {
        weight *= ratio;
        ratio *= ratioStep;
        float nearWeight = weight;
        weight *= ratio;
        ratio *= ratioStep;
        float nearOffset = float(near);
        float farWeight = near < uBlurRadius ? weight : 0.0;
        float pairWeight = nearWeight + farWeight;
        vec2 offset = texelStep * (nearOffset + farWeight / pairWeight);
        sum += pairWeight * (texture(textureSource, uv + offset) + texture(textureSource, uv - offset));
        totalWeight += 2.0 * pairWeight;
    }
    fragColor = sum / totalWeight;
}
