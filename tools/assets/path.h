// The rocket's flight for the path file: a smooth chain of cubic Bézier segments through a list
// of waypoints, and the "sp" / "v" text the path loader reads. The follower flies the segment
// that starts at point i only while i + 4 < n, so a flight carries one point beyond its last
// segment, giving 3k + 2 points for k segments.
#pragma once

#include <glm/vec3.hpp>
#include <iosfwd>
#include <string>
#include <vector>

// Control points of a chain through `waypoints` (at least two): point 3j is waypoint j, and the
// handles on both sides of a waypoint lie on one line (Catmull-Rom directions), each a third of
// its segment's chord long, so the curve turns smoothly with no kinks.
std::vector<glm::vec3> bezierChain(const std::vector<glm::vec3>& waypoints);

// The chain followed by one point beyond its end, along the last direction of flight.
std::vector<glm::vec3> flightPath(const std::vector<glm::vec3>& waypoints);

// Point at parameter t of the cubic segment whose control points start at `p`.
glm::vec3 bezierPoint(const glm::vec3* p, float t);

// The scene's flight: from the rocket's start at (10, 7, 15) in an arc around the Earth, past the
// asteroid, and on towards the white sun sphere.
std::vector<glm::vec3> rocketFlight();

// A comment line, one "sp" line and one "v" line per point.
void writePath(std::ostream& out, const std::vector<glm::vec3>& points, float speed);
// The same as a file, whole or not at all; false with the system's reason in error.
bool writePathFile(const std::string& path, const std::vector<glm::vec3>& points, float speed, std::string& error);
