#version 150
// Normal/depth pre-pass, fragment stage: writes normalTex. RGB = world-space unit normal;
// A = focus factor for depth of field, 0 = sharp .. 1 = fully blurred.
//
// The focus uniforms:
//   fFocalDistance - distance of the focal plane from the eye, in focal units of kFocalUnit
//                    world units (3.0 puts it 12 units away, where the chased rocket flies and
//                    the near side of the Earth lies in the orbit view).
//   fFocalRange    - depth of the sharp zone behind the focal plane, in world units (5.0 keeps
//                    everything up to 17 units sharp: all of the Earth's visible side).
// Beyond the sharp zone the factor rises smoothly to 1 over kBlurRampRanges focal ranges
// (20 units: fully blurred from 37 units on, so the asteroid softens and far things blur).
// Nothing in front of the focal plane is blurred: the scene has no foreground to soften.

in vec3 worldNormal;  // world space, interpolated, not unit length
in float eyeDepth;    // world units along the view axis

uniform float fFocalDistance;
uniform float fFocalRange;

out vec4 normalAndFocus;

const float kFocalUnit = 4.0;
const float kBlurRampRanges = 4.0;

void main()
{
    float normalLength = length(worldNormal);
    vec3 unitNormal = normalLength > 0.0 ? worldNormal / normalLength : vec3(0.0);

    float sharpLimit = fFocalDistance * kFocalUnit + fFocalRange;
    float blurredFrom = sharpLimit + kBlurRampRanges * fFocalRange;
    float focus = smoothstep(sharpLimit, blurredFrom, eyeDepth);

    normalAndFocus = vec4(unitNormal, focus);
}
