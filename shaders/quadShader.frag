#version 150
// Final composite into the window: the bloomed HDR scene darkened by ambient occlusion, blended
// toward the blurred copy where out of focus, plus the lens flare seen through the lens dirt and
// the star-burst; then exposure, a filmic tone curve and gamma for the (non-sRGB) window.
// Only RGB is read from the HDR inputs: their alpha is not defined.

const float kOcclusionFloor = 0.35;  // visibility 0 still keeps this much light
const float kExposure = 1.2;
const float kGamma = 2.2;
// Filmic curve (Narkowicz's fit of the ACES reference transform): x (a x + b) / (x (c x + d) + e).
const float kCurveA = 2.51;
const float kCurveB = 0.03;
const float kCurveC = 2.43;
const float kCurveD = 0.59;
const float kCurveE = 0.14;

uniform sampler2D sceneTex;          // unit 0: linear HDR radiance (RGB)
uniform sampler2D ssaoTex;           // unit 1: ambient visibility, 1 unoccluded, 0 fully occluded
uniform sampler2D lensflareTex;      // unit 2: lens-flare features, linear HDR (RGB)
uniform sampler2D uLensStarTex;      // unit 3: star-burst image
uniform sampler2D uLensDirtTex;      // unit 4: lens-dirt image
uniform sampler2D uBlurredDoFTex;    // unit 5: half-size blurred scene, linear HDR (RGB)
uniform sampler2D uAlphaTex;         // unit 6: alpha = focus factor, 0 sharp, 1 fully blurred
uniform mat4 uLensStarMatrix;        // turns the star-burst's texture coordinates about (0.5, 0.5)

in vec2 uv;                          // 0..1 across the window

out vec4 fragColor;

vec3 filmic(vec3 x)
{
    return clamp(x * (kCurveA * x + kCurveB) / (x * (kCurveC * x + kCurveD) + kCurveE), 0.0, 1.0);
}

void main()
{
    float visibility = mix(kOcclusionFloor, 1.0, texture(ssaoTex, uv).r);
    vec3 sharp = texture(sceneTex, uv).rgb * visibility;
    vec3 color = mix(sharp, texture(uBlurredDoFTex, uv).rgb, texture(uAlphaTex, uv).a);

    vec2 starCoord = (uLensStarMatrix * vec4(uv, 0.0, 1.0)).xy;
    vec3 lens = texture(uLensDirtTex, uv).rgb + texture(uLensStarTex, starCoord).rgb;
    color += texture(lensflareTex, uv).rgb * lens;

    fragColor = vec4(pow(filmic(color * kExposure), vec3(1.0 / kGamma)), 1.0);
}
