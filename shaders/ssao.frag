#version 150
// Screen-space ambient occlusion: writes ambient visibility to RGB of ssaoTex, 1 = open,
// 0 = fully occluded, 1 where nothing was drawn. View-space positions are rebuilt from the
// pre-pass depth with the inverse projection. The pass has no view matrix to bring the
// world-space normals of normalTex into view space, so the view-space normal is derived from
// neighbouring depth texels instead ("u_normalTexture" is not read).

in vec2 uv;  // 0..1 across the target, from quadShader.vert

uniform sampler2D u_depthTexture;          // window depth 0..1, 1 = nothing drawn; read texel-exact
uniform sampler2D u_rotationNoiseTexture;  // 4 x 4 unit vectors in the xy plane, repeating
uniform vec2 u_rotationNoiseScale;         // target size / 4: one noise texel per pixel
uniform vec3 u_kernel[32];                 // hemisphere around +z, lengths 0.1 .. 0.94
uniform mat4 u_projectionMatrix;           // view space -> clip space
uniform mat4 u_inverseProjectionMatrix;    // NDC -> view space (homogeneous)

out vec4 visibility;

const int kSampleCount = 32;
// Kernel radius in world units (view space keeps the world's scale).
const float kRadius = 0.8;
// How far a stored surface must lie in front of a sample to occlude it, in world units: keeps
// the depth-derived normals' small errors on flat surfaces from turning into acne.
const float kDepthBias = 0.03;
// Sine of the least elevation above the tangent plane at which a surface occludes: surfaces
// nearly in the plane are the plane itself, seen through the depth's rounding.
const float kPlaneBias = 0.1;
// Deepens the occlusion: the kernel crowds toward its centre, so a crease darkens only a thin
// band, which the 20-pixel blur that follows would otherwise wash out.
const float kContrast = 2.5;
// Depth at or above this is the cleared background.
const float kNothingDrawn = 1.0;

// The inverse projection with the texel-to-NDC mapping folded in, made once per pixel by
// makeUnprojection: a texel's homogeneous view position is
// unprojection * (texel.x, texel.y, depth) + unprojectionOffset.
mat3x4 unprojection;
vec4 unprojectionOffset;

void makeUnprojection(vec2 depthSize)
{
    // ndc.xy = (texel + 0.5) * 2 / size - 1, ndc.z = depth * 2 - 1.
    vec2 scale = 2.0 / depthSize;
    unprojection = mat3x4(u_inverseProjectionMatrix[0] * scale.x, u_inverseProjectionMatrix[1] * scale.y,
                          u_inverseProjectionMatrix[2] * 2.0);
    unprojectionOffset = u_inverseProjectionMatrix * vec4(0.5 * scale - 1.0, -1.0, 1.0);
}

vec3 viewPosition(ivec2 texel, float depth)
{
    vec4 position = unprojection * vec3(vec2(texel), depth) + unprojectionOffset;
    return position.xyz / position.w;
}

vec3 viewPositionAt(ivec2 texel)
{
    return viewPosition(texel, texelFetch(u_depthTexture, texel, 0).r);
}

// One tangent of the surface along an axis, as a view-space step of one texel. Of the two
// sides, it takes the one whose neighbours continue the centre's plane best: window depth is
// affine across a plane, so a side whose two texels extrapolate back to the centre's depth lies
// on the same surface, while a side across an edge or a silhouette does not. At the target's
// border only the inner side is used; with neither, the step is zero.
vec3 surfaceStep(ivec2 texel, ivec2 axis, int size, int coordinate, float depth, vec3 centre)
{
    bool hasForward = coordinate + 2 < size;
    bool hasBackward = coordinate >= 2;
    if (!hasForward && !hasBackward)
        return vec3(0.0);
    float forward1 = depth, backward1 = depth;
    float forwardError = 0.0, backwardError = 0.0;
    if (hasForward) {
        forward1 = texelFetch(u_depthTexture, texel + axis, 0).r;
        forwardError = abs(2.0 * forward1 - texelFetch(u_depthTexture, texel + 2 * axis, 0).r - depth);
    }
    if (hasBackward) {
        backward1 = texelFetch(u_depthTexture, texel - axis, 0).r;
        backwardError = abs(2.0 * backward1 - texelFetch(u_depthTexture, texel - 2 * axis, 0).r - depth);
    }
    bool useForward = hasForward && (!hasBackward || forwardError <= backwardError);
    return useForward ? viewPosition(texel + axis, forward1) - centre
                      : centre - viewPosition(texel - axis, backward1);
}

void main()
{
    ivec2 depthSize = textureSize(u_depthTexture, 0);
    ivec2 texel = ivec2(gl_FragCoord.xy);
    float depth = texelFetch(u_depthTexture, texel, 0).r;
    if (depth >= kNothingDrawn) {
        visibility = vec4(1.0);
        return;
    }

    makeUnprojection(vec2(depthSize));
    vec3 centre = viewPosition(texel, depth);
    vec3 alongX = surfaceStep(texel, ivec2(1, 0), depthSize.x, texel.x, depth, centre);
    vec3 alongY = surfaceStep(texel, ivec2(0, 1), depthSize.y, texel.y, depth, centre);
    vec3 normal = cross(alongX, alongY);
    if (dot(normal, normal) == 0.0) {
        visibility = vec4(1.0);
        return;
    }
    normal = normalize(normal);

    // Gram-Schmidt: the noise vector, made perpendicular to the normal, turns the kernel about it.
    vec3 rotation = texture(u_rotationNoiseTexture, uv * u_rotationNoiseScale).xyz;
    vec3 tangent = rotation - normal * dot(rotation, normal);
    if (dot(tangent, tangent) < 1e-6)
        tangent = abs(normal.x) < 0.9 ? cross(normal, vec3(1.0, 0.0, 0.0)) : cross(normal, vec3(0.0, 1.0, 0.0));
    tangent = normalize(tangent);
    mat3 tangentToView = mat3(tangent, cross(normal, tangent), normal) * kRadius;
    // The kernel's frame and the centre taken to clip space once: per sample, clip x, y, w come
    // from one 3 x 3 product and the sample's view depth from one dot product.
    mat3 viewToClip = mat3(u_projectionMatrix[0].xyw, u_projectionMatrix[1].xyw, u_projectionMatrix[2].xyw);
    mat3 tangentToClip = viewToClip * tangentToView;
    vec3 centreClip = (u_projectionMatrix * vec4(centre, 1.0)).xyw;
    vec3 tangentToViewZ = vec3(tangentToView[0].z, tangentToView[1].z, tangentToView[2].z);

    float occlusion = 0.0;
    for (int i = 0; i < kSampleCount; ++i) {
        vec3 clip = centreClip + tangentToClip * u_kernel[i];
        float sampleZ = centre.z + dot(tangentToViewZ, u_kernel[i]);
        vec2 sampleUv = clip.xy / clip.z * 0.5 + 0.5;
        if (any(lessThan(sampleUv, vec2(0.0))) || any(greaterThanEqual(sampleUv, vec2(1.0))))
            continue;
        vec3 surface = viewPositionAt(ivec2(sampleUv * vec2(depthSize)));
        vec3 toSurface = surface - centre;
        float reach = length(toSurface);
        // Occluded when the stored surface lies in front of the sample and rises above the
        // tangent plane. The second test keeps flat ground open even at grazing angles, where
        // one texel spans far more depth than any bias: the texel found there still lies on
        // the same plane.
        bool inFront = surface.z >= sampleZ + kDepthBias;
        bool abovePlane = dot(normal, toSurface) > kPlaneBias * reach;
        // An occluder counts fully within the kernel's reach and fades out by twice that, so
        // an object well in front of a surface casts no dark halo onto it.
        float inRange = 1.0 - smoothstep(kRadius, 2.0 * kRadius, reach);
        occlusion += inFront && abovePlane ? inRange : 0.0;
    }
    visibility = vec4(vec3(pow(1.0 - occlusion / float(kSampleCount), kContrast)), 1.0);
}
