#version 150
// Vertical pass of the depth-of-field Gaussian. The full-screen quad's corners arrive in
// normalised device coordinates (-1..1, depth 0); the thirteen fetch coordinates are made here,
// once per corner, so the fragment stage fetches without computing addresses.

const int kSideTaps = 6;

in vec3 position;

uniform float vertTapOffs[kSideTaps + 1];  // texture-coordinate distances along y; element 0 is 0

out vec2 tapUv[2 * kSideTaps + 1];  // element kSideTaps is the centre; lower elements lie below

void main()
{
    vec2 uv = position.xy * 0.5 + 0.5;
    tapUv[kSideTaps] = uv;
    for (int k = 1; k <= kSideTaps; ++k) {
        vec2 offset = vec2(0.0, vertTapOffs[k]);
        tapUv[kSideTaps - k] = uv - offset;
        tapUv[kSideTaps + k] = uv + offset;
    }
    gl_Position = vec4(position, 1.0);
}
