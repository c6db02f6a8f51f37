#version 150
// Sky box, vertex stage: a cube corner (half-size 50) around the eye. Its position doubles as
// the cube-map direction. The depth is pushed to just inside the far plane: the depth test is
// GL_LESS against a cleared 1.0, so the box fills exactly the pixels no mesh has covered.

in vec3 position;  // box space, centred on the eye

uniform mat4 P;  // camera projection
uniform mat4 V;  // camera view with its translation cancelled (rotation only)

out vec3 direction;  // cube-map lookup direction, not unit length

// Window depth 0.5 + 0.5 x kFarDepth: below the clear value 1.0, behind every mesh in the scene.
const float kFarDepth = 0.99999;

void main()
{
    direction = position;
    vec4 clip = P * V * vec4(position, 1.0);
    gl_Position = vec4(clip.xy, clip.w * kFarDepth, clip.w);
}
