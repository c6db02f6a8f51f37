#version 150
// Exhaust particles, fragment stage: a round, soft-edged point. The colour is linear HDR
// radiance (above 1 near the nozzle, so the bloom picks it up); alpha feeds the
// SRC_ALPHA / ONE_MINUS_SRC_ALPHA blend and fades with the distance travelled.

in float trail;   // 0 at the nozzle .. 1 at the end of the trail
in float parked;  // 1 for a free particle waiting on the emitter

out vec4 colour;

// Where many points overlap, the blend converges on their colour: these are the radiances of a
// dense plume, not of one point.
const vec3 kNozzleColour = vec3(3.2, 1.8, 0.6);   // yellow-white, above 1 so it blooms
const vec3 kTrailColour = vec3(1.3, 0.28, 0.04);  // cooling orange-red
const float kPeakAlpha = 0.35;
// Fragments fainter than this are dropped so they leave no mark in the depth buffer.
const float kMinAlpha = 0.02;

void main()
{
    if (parked > 0.5)
        discard;
    vec2 fromCentre = gl_PointCoord * 2.0 - 1.0;
    float radiusSquared = dot(fromCentre, fromCentre);
    if (radiusSquared > 1.0)
        discard;
    float softEdge = (1.0 - radiusSquared) * (1.0 - radiusSquared);
    float fade = 1.0 - trail;
    float alpha = kPeakAlpha * softEdge * fade;
    if (alpha < kMinAlpha)
        discard;
    colour = vec4(mix(kNozzleColour, kTrailColour, trail), alpha);
}
