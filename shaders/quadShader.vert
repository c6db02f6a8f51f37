#version 150
// Shared vertex stage of the screen-space passes: the full-screen quad's corners arrive in
// normalised device coordinates (-1..1, depth 0); texture coordinates 0..1 are derived from them.

in vec3 position;

out vec2 uv;

void main()
{
    uv = position.xy * 0.5 + 0.5;
    gl_Position = vec4(position, 1.0);
}
