#version 150
// Exhaust particles, vertex stage: one point per particle, position in world space. Size and
// heat follow the distance from the emitter ("origin"): small and white-hot at the nozzle,
// growing and cooling as they drift away. Parked particles (free ones wait exactly at the
// emitter) are flagged so the fragment stage can drop them.

in vec3 position;  // world space

uniform vec3 origin;          // the emitter, world space
uniform mat4 VP;              // projection x view
uniform float pixelsPerUnit;  // pixels one world unit spans at unit distance in this viewport

out float trail;   // 0 at the nozzle .. 1 at kTrailLength and beyond
out float parked;  // 1 for a particle sitting on the emitter, else 0

// World units a particle covers in a long life (about 1 unit/s for up to 2 s).
const float kTrailLength = 2.0;
// World-space point diameters at the nozzle and at the end of the trail.
const float kNozzleSize = 0.05;
const float kPlumeSize = 0.2;
const float kMinPointSize = 1.0;
const float kMaxPointSize = 48.0;
const float kParkedDistance = 1e-4;

void main()
{
    float distanceFromOrigin = distance(position, origin);
    trail = clamp(distanceFromOrigin / kTrailLength, 0.0, 1.0);
    parked = distanceFromOrigin < kParkedDistance ? 1.0 : 0.0;

    gl_Position = VP * vec4(position, 1.0);
    float worldSize = mix(kNozzleSize, kPlumeSize, trail);
    float eyeDistance = max(gl_Position.w, 1e-3);
    gl_PointSize = clamp(worldSize * pixelsPerUnit / eyeDistance, kMinPointSize, kMaxPointSize);
}
