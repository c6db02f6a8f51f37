#version 150
// Screen-space ambient occlusion: writes ambient visibility to RGB of ssaoTex, 1 = open,
// 0 = fully occluded, 1 where nothing was drawn. View-space positions are rebuilt from the
// pre-pass depth with the inverse projection. The pass has no view matrix to bring the
// world-space normals of normalTex into view space, so the view-space normal is derived from
// neighbouring depth texels instead ("u_normalTexture" is not read).

in vec2 uv;  // 0..1 across the target, from quadShader.vert

uniform sampler2D u_depthTexture;          // window depth 0..1, 1 = nothing drawn; read at texel centres
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
// Visibility is (1 - occluded fraction)^kContrast, about exp(-kContrast * fraction): each
// occluded sample of the 32 keeps about 0.69 of the light. The kernel crowds toward its centre,
// so a crease darkens only a band a few pixels wide, which the 20-pixel blur that follows spreads
// over an area many times that, and the lit meshes are mostly bright enough that the composite's
// multiplier shows only deep occlusion: a crease has to reach near 0 here to stay visible after both.
const float kContrast = 12.0;
// The occluders' fade, 1 at kRadius and 0 at twice that: clamp(kFadeEnd - reach^2 * kFadeSlope).
const float kFadeSlope = 1.0 / (3.0 * kRadius * kRadius);
const float kFadeEnd = 4.0 / 3.0;
// Depth at or above this is the cleared background.
const float kNothingDrawn = 1.0;

// The inverse projection with the texture-coordinate-to-NDC mapping folded in, made once per
// pixel by makeUnprojection: the homogeneous view position at texture coordinate p with window
// depth d is unprojection * (p.x, p.y, d) + unprojectionOffset.
mat3x4 unprojection;
vec4 unprojectionOffset;

void makeUnprojection()
{
    // ndc = (p, d) * 2 - 1.
    unprojection = mat3x4(u_inverseProjectionMatrix[0] * 2.0, u_inverseProjectionMatrix[1] * 2.0,
                          u_inverseProjectionMatrix[2] * 2.0);
    unprojectionOffset = u_inverseProjectionMatrix * vec4(-1.0, -1.0, -1.0, 1.0);
}

vec3 viewPosition(vec2 at, float depth)
{
    vec4 position = unprojection * vec3(at, depth) + unprojectionOffset;
    return position.xyz / position.w;
}

// The window depth of the texel that holds a texture coordinate, read through the nearest sampler
// the renderer binds for this pass (cheaper than a texelFetch, which checks its bounds, or a
// linear fetch). At texel centres a linear filter would give the same value.
float depthAt(vec2 at)
{
    return texture(u_depthTexture, at).r;
}

// One tangent of the surface along an axis, as a view-space step of one texel (texelStep, in
// texture coordinates, from the centre texel at). Of the two sides, it takes the one whose
// neighbours continue the centre's plane best: window depth is affine across a plane, so a side
// whose two texels extrapolate back to the centre's depth lies on the same surface, while a side
// across an edge or a silhouette does not. At the target's border only the inner side is used;
// with neither, the step is zero.
vec3 surfaceStep(vec2 at, vec2 texelStep, bool hasForward, bool hasBackward, float depth, vec3 centre)
{
    if (!hasForward && !hasBackward)
        return vec3(0.0);
    float forward1 = depth, backward1 = depth;
    float forwardError = 0.0, backwardError = 0.0;
    if (hasForward) {
        forward1 = depthAt(at + texelStep);
        forwardError = abs(2.0 * forward1 - depthAt(at + 2.0 * texelStep) - depth);
    }
    if (hasBackward) {
        backward1 = depthAt(at - texelStep);
        backwardError = abs(2.0 * backward1 - depthAt(at - 2.0 * texelStep) - depth);
    }
    bool useForward = hasForward && (!hasBackward || forwardError <= backwardError);
    return useForward ? viewPosition(at + texelStep, forward1) - centre
                      : centre - viewPosition(at - texelStep, backward1);
}

void main()
{
    ivec2 depthSize = textureSize(u_depthTexture, 0);
    vec2 texelSize = 1.0 / vec2(depthSize);
    ivec2 texel = ivec2(gl_FragCoord.xy);
    // gl_FragCoord lies at the pixel's centre: this is the centre of its own depth texel.
    vec2 at = gl_FragCoord.xy * texelSize;
    float depth = depthAt(at);
    if (depth >= kNothingDrawn) {
        visibility = vec4(1.0);
        return;
    }

    makeUnprojection();
    vec3 centre = viewPosition(at, depth);
    bvec2 hasForward = lessThan(texel + 2, depthSize);
    bvec2 hasBackward = greaterThanEqual(texel, ivec2(2));
    vec3 alongX = surfaceStep(at, vec2(texelSize.x, 0.0), hasForward.x, hasBackward.x, depth, centre);
    vec3 alongY = surfaceStep(at, vec2(0.0, texelSize.y), hasForward.y, hasBackward.y, depth, centre);
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
    // The kernel's frame and the centre taken once to clip space with the NDC-to-texture-coordinate
    // mapping folded in (x and y become (x + w) / 2, (y + w) / 2): per sample, its texture
    // coordinate comes from one 3 x 3 product and a division, its view depth from one dot product.
    const mat3 clipToTexture = mat3(0.5, 0.0, 0.0, 0.0, 0.5, 0.0, 0.5, 0.5, 1.0);
    mat3 viewToTexture = clipToTexture * mat3(u_projectionMatrix[0].xyw, u_projectionMatrix[1].xyw,
                                              u_projectionMatrix[2].xyw);
    mat3 tangentToTexture = viewToTexture * tangentToView;
    vec3 centreTexture = viewToTexture * centre + clipToTexture * u_projectionMatrix[3].xyw;
    vec3 tangentToViewZ = vec3(tangentToView[0].z, tangentToView[1].z, tangentToView[2].z);

    float occlusion = 0.0;
    for (int i = 0; i < kSampleCount; ++i) {
        vec3 homogeneous = centreTexture + tangentToTexture * u_kernel[i];
        float sampleZ = centre.z + dot(tangentToViewZ, u_kernel[i]);
        vec2 sampleAt = homogeneous.xy / homogeneous.z;
        // A sample off the screen has nothing to test against; it reads the edge and counts 0.
        bool onScreen = all(greaterThanEqual(sampleAt, vec2(0.0))) && all(lessThan(sampleAt, vec2(1.0)));
        vec3 surface = viewPosition(sampleAt, depthAt(sampleAt));
        vec3 toSurface = surface - centre;
        float reachSquared = dot(toSurface, toSurface);
        float rise = dot(normal, toSurface);
        // Occluded when the stored surface lies in front of the sample and rises above the
        // tangent plane (by more than kPlaneBias of its distance; compared squared). The second
        // test keeps flat ground open even at grazing angles, where one texel spans far more
        // depth than any bias: the texel found there still lies on the same plane.
        bool inFront = surface.z >= sampleZ + kDepthBias;
        bool abovePlane = rise > 0.0 && rise * rise > kPlaneBias * kPlaneBias * reachSquared;
        // An occluder counts fully within the kernel's reach and fades out (linearly in the
        // squared distance) by twice that, so an object well in front of a surface casts no
        // dark halo onto it.
        float inRange = clamp(kFadeEnd - reachSquared * kFadeSlope, 0.0, 1.0);
        occlusion += onScreen && inFront && abovePlane ? inRange : 0.0;
    }
    visibility = vec4(vec3(pow(1.0 - occlusion / float(kSampleCount), kContrast)), 1.0);
}
