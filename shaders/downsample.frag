#version 150
// Scale-and-bias resampling of the screen-space passes: the bright pass and flare threshold
// (full to half size), the bloom add (half to full size) and the depth-of-field copy (full to
// half size, focus factor in alpha). Every fetched texel becomes max(0, texel * uScale + uBias);
// the four fetches half an input texel around the output texel make a 2 x 2 box on the way down,
// so a one-pixel highlight is kept at a quarter rather than kept or lost by where it falls.

in vec2 uv;  // 0..1 across the target

uniform sampler2D uInputTex;  // RGB: linear HDR radiance; its alpha is not defined and never read
uniform sampler2D alphaTex;   // A: focus factor, 0 in focus .. 1 fully blurred (read when writeAlpha is 1)
uniform vec4 uScale;          // all four components equal
uniform vec4 uBias;           // all four components equal
uniform int writeAlpha;       // 1: alpha from alphaTex; otherwise alpha is kOpaque

out vec4 fragColor;

const float kOpaque = 1.0;

vec3 scaled(vec2 at)
{
    return max(vec3(0.0), texture(uInputTex, at).rgb * uScale.rgb + uBias.rgb);
}

void main()
{
    vec2 halfTexel = 0.5 / vec2(textureSize(uInputTex, 0));
    vec3 colour = 0.25 * (scaled(uv + vec2(-halfTexel.x, -halfTexel.y)) +
                          scaled(uv + vec2(halfTexel.x, -halfTexel.y)) +
                          scaled(uv + vec2(-halfTexel.x, halfTexel.y)) +
                          scaled(uv + vec2(halfTexel.x, halfTexel.y)));
    float alpha = kOpaque;
    if (writeAlpha == 1)
        alpha = texture(alphaTex, uv).a;
    fragColor = vec4(colour, alpha);
}
