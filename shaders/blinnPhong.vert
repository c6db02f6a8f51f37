#version 150
#extension GL_ARB_explicit_attrib_location : require
// Shared vertex stage of the lit and the unlit mesh passes: hands the fragment stage the
// world-space position, normal and tangent and the texture coordinate "uv" (the name the
// quad's vertex stage uses too, so passThrough.frag links with either).

// The mesh layout: one tightly packed buffer per attribute, at these locations.
layout(location = 0) in vec3 vertexPosition;  // object space
layout(location = 1) in vec2 vertexTexCoord;  // v = 1 at the image's first row
layout(location = 2) in vec3 vertexNormal;    // object space, unit length
layout(location = 3) in vec3 vertexTangent;   // object space, along +u; (0,0,0) where the mesh has none

uniform mat4 MVP;            // clip space from object space
uniform mat4 M;              // world space from object space
uniform mat4 V;              // eye space from world space; rigid (rotation and translation only)
uniform mat4 mNormalMatrix;  // transpose(inverse(V * M)): object-space normals to eye space

out vec3 worldPosition;
out vec3 worldNormal;   // not normalised
out vec3 worldTangent;  // not normalised, not yet orthogonal to the normal
out vec2 uv;

void main()
{
    worldPosition = (M * vec4(vertexPosition, 1.0)).xyz;
    // The view is rigid, so the transpose of its rotation takes eye-space normals back to world space.
    worldNormal = transpose(mat3(V)) * (mat3(mNormalMatrix) * vertexNormal);
    worldTangent = mat3(M) * vertexTangent;
    uv = vertexTexCoord;
    gl_Position = MVP * vec4(vertexPosition, 1.0);
}
