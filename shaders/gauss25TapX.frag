#version 150
// Horizontal pass of the depth-of-field Gaussian: 25 taps read through 13 linear-filtered
// fetches. kTapWeights[0] weighs the centre tap, kTapWeights[k] each of the two fetches at offset ±k,
// which averages a pair of taps: a Gaussian of sigma 5.5 taps summed pairwise, normalised so that
// the centre plus twice the others is 1.

const int kSideTaps = 6;
const float kTapWeights[kSideTaps + 1] = float[](
    0.0742314, 0.1424969, 0.1209523, 0.0900468, 0.0587984, 0.0336747, 0.0169152);

in vec2 tapUv[2 * kSideTaps + 1];  // element kSideTaps is the centre

uniform sampler2D uInputTex;  // RGB: linear HDR scene; A: focus factor, blurred with it

out vec4 fragColor;

void main()
{
    vec4 sum = texture(uInputTex, tapUv[kSideTaps]) * kTapWeights[0];
    for (int k = 1; k <= kSideTaps; ++k)
        sum += (texture(uInputTex, tapUv[kSideTaps - k]) + texture(uInputTex, tapUv[kSideTaps + k])) *
               kTapWeights[k];
    fragColor = sum;
}
