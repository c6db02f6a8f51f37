#version 150
// Sky box, fragment stage: the star field, decoded to linear radiance for the HDR scene target.

const float kGamma = 2.2;  // the star-field image is gamma-encoded; the scene target is linear

in vec3 direction;  // from skyBox.vert, any length

uniform samplerCube cube_texture;  // the star-field image on all six faces, gamma-encoded RGB

out vec4 colour;

void main()
{
    colour = vec4(pow(texture(cube_texture, direction).rgb, vec3(kGamma)), 1.0);
}
