#version 150
// Sky box, fragment stage: the star field, as linear radiance into the HDR scene target.

in vec3 direction;  // from skyBox.vert, any length

uniform samplerCube cube_texture;  // the star-field image on all six faces

out vec4 colour;

void main()
{
    colour = vec4(texture(cube_texture, direction).rgb, 1.0);
}
