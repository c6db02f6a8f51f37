#version 150
// Inspection views: one render target over the whole window, made readable. One fetch per pixel;
// "mode" says how the texel is shown:
//   0 linear HDR radiance (scene, lens flare, depth of field) through a simple tone curve
//   1 a world-space normal in -1..1, mapped to 0..1 colour
//   2 the alpha channel as grey (the focus factor: 0 sharp, 1 fully blurred)
//   3 window depth, linearised to eye distance d and shown as d / (d + kMidGreyDistance): near
//     surfaces dark, the cleared background (the far plane) white
//   4 the red channel as grey (ambient visibility: 1 unoccluded)

const int kToneMapped = 0;
const int kNormals = 1;
const int kAlpha = 2;
const int kDepth = 3;
const float kGamma = 2.2;             // the window is not sRGB
const float kMidGreyDistance = 10.0;  // world units shown as mid grey: the scene spans about 5 to 40

uniform sampler2D source;
uniform int mode;
uniform float nearPlane;  // eye-space distances of the camera's clip planes
uniform float farPlane;

in vec2 uv;  // 0..1 across the window

out vec4 fragColor;

float eyeDistance(float windowDepth)
{
    float ndc = 2.0 * windowDepth - 1.0;
    return 2.0 * nearPlane * farPlane / (farPlane + nearPlane - ndc * (farPlane - nearPlane));
}

void main()
{
    vec4 texel = texture(source, uv);
    vec3 shown;
    if (mode == kToneMapped) {
        vec3 radiance = max(texel.rgb, vec3(0.0));
        shown = pow(radiance / (1.0 + radiance), vec3(1.0 / kGamma));
    } else if (mode == kNormals) {
        shown = texel.rgb * 0.5 + 0.5;
    } else if (mode == kAlpha) {
        shown = vec3(texel.a);
    } else if (mode == kDepth) {
        float fromEye = eyeDistance(texel.r);
        shown = vec3(fromEye / (fromEye + kMidGreyDistance));
    } else {
        shown = vec3(texel.r);
    }
    fragColor = vec4(shown, 1.0);
}
