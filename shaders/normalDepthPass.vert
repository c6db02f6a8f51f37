#version 150
#extension GL_ARB_explicit_attrib_location : require
// Normal/depth pre-pass, vertex stage: mesh vertices in model space (location 0 position,
// 2 normal); hands on the world-space normal and the eye depth for the focus factor.

layout(location = 0) in vec3 position;  // model space
layout(location = 2) in vec3 normal;    // model space, not necessarily unit length

uniform mat4 MVP;  // projection x view x model
uniform mat4 M;    // model; uniformly scaled, so its upper 3x3 carries normals too

out vec3 worldNormal;
out float eyeDepth;  // distance in front of the eye along the view axis, world units

void main()
{
    worldNormal = mat3(M) * normal;
    gl_Position = MVP * vec4(position, 1.0);
    // A perspective projection copies -z_view into w.
    eyeDepth = gl_Position.w;
}
