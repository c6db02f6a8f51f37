#version 150
// Unlit meshes (the light-source sphere): the diffuse texture's colour as emitted radiance,
// scaled well above 1 so it reads as a light after tone mapping and the bloom picks it up.

const float kEmissiveRadiance = 10.0;  // radiance of a white texel
const float kGamma = 2.2;              // images are gamma-encoded; the scene target is linear

uniform sampler2D diffuseTexture;      // gamma-encoded RGB

in vec2 uv;                            // texture coordinate, from either vertex stage

out vec4 fragColor;                    // RGB radiance; alpha 1, read by nothing

void main()
{
    fragColor = vec4(pow(texture(diffuseTexture, uv).rgb, vec3(kGamma)) * kEmissiveRadiance, 1.0);
}
