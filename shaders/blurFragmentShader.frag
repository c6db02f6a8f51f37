#version 150
// One direction of the separable blur: Gaussian weights over uBlurRadius texels either side of
// the pixel along ScaleU, each texel read once at its centre. The source is the same size as
// the target, so every fetch lands on a texel centre, where nearest and linear filtering agree;
// the renderer binds a nearest sampler for it (the README's frame benchmark section says why
// that beats folding tap pairs into linear fetches on a software rasterizer).

const float kSigmaPerTexelOfRadius = 0.3;  // sigma = 0.3 R: the outermost tap keeps 0.4 % weight, so
                                           // even a bright source leaves no square edge
const float kMinSigma = 0.5;

uniform sampler2D textureSource;  // same size as the target, clamped at the edges
uniform vec2 ScaleU;              // blur direction: (1, 0) along x or (0, 1) along y
uniform int uBlurRadius;          // in texels of textureSource; 0 copies

in vec2 uv;                       // 0..1 across the target: the pixel's own texel centre

out vec4 fragColor;

void main()
{
    vec2 texelStep = ScaleU / vec2(textureSize(textureSource, 0));
    float sigma = max(float(uBlurRadius) * kSigmaPerTexelOfRadius, kMinSigma);

    // Gaussian weights g(k) = exp(-k^2 / (2 sigma^2)) stepped by ratios instead of an exp per
    // tap: g(k + 1) = g(k) * ratio(k), ratio(k + 1) = ratio(k) * exp(-1 / sigma^2).
    float ratioStep = exp(-1.0 / (sigma * sigma));
    float ratio = exp(-0.5 / (sigma * sigma));
    float weight = 1.0;

    vec4 sum = texture(textureSource, uv);
    float totalWeight = 1.0;
    // Two distances per iteration, four fetches, so the loop runs half as many iterations (each
    // has a cost of its own). For an odd radius the last far pair weighs nothing.
    for (int near = 1; near <= uBlurRadius; near += 2) {
        weight *= ratio;
        ratio *= ratioStep;
        float nearWeight = weight;
        weight *= ratio;
        ratio *= ratioStep;
        float farWeight = near < uBlurRadius ? weight : 0.0;
        vec2 nearOffset = texelStep * float(near);
        vec2 farOffset = nearOffset + texelStep;
        sum += nearWeight * (texture(textureSource, uv + nearOffset) + texture(textureSource, uv - nearOffset)) +
               farWeight * (texture(textureSource, uv + farOffset) + texture(textureSource, uv - farOffset));
        totalWeight += 2.0 * (nearWeight + farWeight);
    }
    fragColor = sum / totalWeight;
}
