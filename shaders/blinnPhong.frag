#version 150
// Blinn-Phong lighting of the lit meshes into the scene target. Writes linear HDR radiance,
// unclamped: lit faces near the lights and specular highlights go above 1 for the bloom.
//
// Light array, as ShaderProgram::setLight writes it (all positions and directions world space):
//   vPosition       where the light is; a directional light shines from here towards the origin
//   vLightColor     linear RGB
//   fLighIntensity  times kIntensityUnit gives the irradiance of a light that is not attenuated
//   vAttenuation    (constant, linear, quadratic): point and spot lights are divided by
//                   constant + linear d + quadratic d^2, d the distance to the light. The point
//                   default (0, 0, 0.18) falls off with the inverse square; the spot default
//                   (1, 0, 0) does not fall off. Unused by directional lights.
//   vSpotLight      (cosine of the outer cone angle, cosine of the inner cone angle, exponent):
//                   pow(cos(angle to the axis), exponent), faded smoothly from the inner cone
//                   to nothing at the outer one. The default (0.5, 0.7, 5) is a 46 degree cone
//                   fading out by 60 degrees.
//   vDirection      the spot's axis, the way it shines; need not be unit length
//   iLightType      0 directional, 1 point, 2 spot

const int kMaxLights = 8;            // the scene has four
const int kDirectional = 0;
const int kSpot = 2;

const float kIntensityUnit = 0.015;  // intensity 200 with colour 0.5: irradiance 1.5
const float kAmbient = 0.03;         // fraction of the albedo lit where no light reaches
const float kSpecularStrength = 0.25;
const float kShininess = 48.0;
const float kGamma = 2.2;            // images are gamma-encoded; lighting is done in linear
const float kNormalMapStrength = 1.0; // > 1 would deepen the relief
const float kTerminatorSharpness = 8.0; // how fast light fades where the surface turns away
const float kMinAttenuation = 1e-3;  // keeps a light at distance 0 finite
const float kMinLength = 1e-6;

struct Light {
    vec3 vPosition;
    vec3 vLightColor;
    float fLighIntensity;
    vec3 vAttenuation;
    vec3 vSpotLight;
    vec3 vDirection;
    int iLightType;
};

uniform Light lights[kMaxLights];
uniform int numberOfLights;          // the first numberOfLights entries are lit
uniform vec3 vEyePos;                // the camera, world space

uniform bool hasDiffuseTex;
uniform sampler2D diffuseTexture;    // gamma-encoded RGB, read when hasDiffuseTex
uniform vec3 vMaterialDiffuse;       // linear RGB albedo, read when not hasDiffuseTex
uniform bool hasNormalMap;
uniform sampler2D normalMap;         // tangent space: RGB = (x along +u, y along +v, z out) * 0.5 + 0.5

in vec3 worldPosition;
in vec3 worldNormal;
in vec3 worldTangent;
in vec2 uv;

out vec4 fragColor;                  // RGB radiance; alpha 1, read by nothing

// The shading normal: the interpolated normal, bent by the normal map when the mesh has one
// and a usable tangent.
vec3 shadingNormal(vec3 geometricNormal)
{
    if (!hasNormalMap)
        return geometricNormal;
    vec3 tangent = worldTangent - geometricNormal * dot(worldTangent, geometricNormal);
    if (dot(tangent, tangent) < kMinLength)
        return geometricNormal;
    tangent = normalize(tangent);
    vec3 bitangent = cross(geometricNormal, tangent);
    vec3 mapped = texture(normalMap, uv).xyz * 2.0 - 1.0;
    mapped.xy *= kNormalMapStrength;
    return normalize(mat3(tangent, bitangent, geometricNormal) * mapped);
}

// Fraction of the light's radiance that reaches this point (distance falloff and spot cone).
float falloff(Light light, float distance, vec3 toLight)
{
    vec3 a = light.vAttenuation;
    float attenuation = 1.0 / max(a.x + a.y * distance + a.z * distance * distance, kMinAttenuation);
    if (light.iLightType != kSpot)
        return attenuation;
    vec3 axis = light.vDirection;
    if (dot(axis, axis) < kMinLength)
        return 0.0;
    float cosAngle = dot(-toLight, normalize(axis));
    float cone = smoothstep(light.vSpotLight.x, light.vSpotLight.y, cosAngle);
    return attenuation * cone * pow(max(cosAngle, 0.0), light.vSpotLight.z);
}

void main()
{
    vec3 toEye = normalize(vEyePos - worldPosition);
    vec3 geometricNormal = dot(worldNormal, worldNormal) > kMinLength ? normalize(worldNormal) : toEye;
    vec3 normal = shadingNormal(geometricNormal);
    vec3 albedo = hasDiffuseTex ? pow(texture(diffuseTexture, uv).rgb, vec3(kGamma)) : vMaterialDiffuse;

    vec3 radiance = kAmbient * albedo;
    for (int i = 0; i < numberOfLights && i < kMaxLights; ++i) {
        Light light = lights[i];
        vec3 toLight;
        float reaching = 1.0;
        if (light.iLightType == kDirectional) {
            if (dot(light.vPosition, light.vPosition) < kMinLength)
                continue;
            toLight = normalize(light.vPosition);
        } else {
            vec3 offset = light.vPosition - worldPosition;
            float distance = length(offset);
            toLight = distance > kMinLength ? offset / distance : normal;
            reaching = falloff(light, distance, toLight);
        }
        // The geometric term keeps a bent normal from lighting the side that faces away.
        float facing = clamp(dot(geometricNormal, toLight) * kTerminatorSharpness, 0.0, 1.0);
        float diffuse = max(dot(normal, toLight), 0.0);
        vec3 halfway = normalize(toLight + toEye);
        float specular = kSpecularStrength * pow(max(dot(normal, halfway), 0.0), kShininess);
        vec3 irradiance = light.vLightColor * (light.fLighIntensity * kIntensityUnit * reaching * facing);
        radiance += irradiance * (albedo * diffuse + specular * step(0.0, dot(normal, toLight)));
    }
    fragColor = vec4(radiance, 1.0);
}
