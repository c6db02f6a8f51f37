// Flight path construction and the path file writer of the asset tool (see path.h).
#include "tools/assets/path.h"

#include "resources/safe_write.h"

#include <cstdio>
#include <glm/geometric.hpp>
#include <sstream>

std::vector<glm::vec3> bezierChain(const std::vector<glm::vec3>& waypoints)
{
    const size_t count = waypoints.size();
    std::vector<glm::vec3> directions(count);
    for (size_t j = 0; j < count; ++j) {
        const glm::vec3& before = waypoints[j == 0 ? 0 : j - 1];
        const glm::vec3& after = waypoints[j + 1 == count ? j : j + 1];
        directions[j] = glm::normalize(after - before);
    }
    std::vector<glm::vec3> points;
    for (size_t j = 0; j + 1 < count; ++j) {
        const float handle = glm::length(waypoints[j + 1] - waypoints[j]) / 3.0f;
        points.push_back(waypoints[j]);
        points.push_back(waypoints[j] + directions[j] * handle);
        points.push_back(waypoints[j + 1] - directions[j + 1] * handle);
    }
    points.push_back(waypoints.back());
    return points;
}

std::vector<glm::vec3> flightPath(const std::vector<glm::vec3>& waypoints)
{
    std::vector<glm::vec3> points = bezierChain(waypoints);
    const glm::vec3 end = points.back();
    points.push_back(end + (end - points[points.size() - 2]));
    return points;
}

glm::vec3 bezierPoint(const glm::vec3* p, float t)
{
    const float s = 1.0f - t;
    return s * s * s * p[0] + 3.0f * s * s * t * p[1] + 3.0f * s * t * t * p[2] + t * t * t * p[3];
}

std::vector<glm::vec3> rocketFlight()
{
    return flightPath({
        {10.0f, 7.0f, 15.0f}, // the rocket's start
        {8.5f, 6.5f, 8.0f},   // turning in towards the Earth
        {3.0f, 8.0f, 6.0f},
        {-4.0f, 8.5f, 9.5f},  // over the Earth: the chase camera, 7 units up each axis, keeps
        {-8.0f, 7.0f, 16.0f}, // the rocket in sight instead of looking through the planet
        {-7.5f, 6.0f, 24.0f}, // away towards the asteroid
        {-3.0f, 6.0f, 32.0f},
        {0.0f, 7.0f, 39.0f},  // past the asteroid at (-4.5, 6, 40)
        {-5.0f, 7.5f, 45.5f},
        {-11.0f, 7.0f, 51.0f},
        {-12.0f, 8.0f, 60.0f},
        {-8.5f, 10.0f, 68.0f}, // over the sun sphere at (0, 8, 70)
        {0.0f, 15.0f, 78.0f},
        {9.0f, 10.0f, 72.0f},
    });
}

void writePath(std::ostream& out, const std::vector<glm::vec3>& points, float speed)
{
    std::string text = "# rocket flight: cubic Bezier segments sharing end points, one point beyond the last\n";
    char line[96];
    std::snprintf(line, sizeof line, "sp %f\n", static_cast<double>(speed));
    text += line;
    for (const glm::vec3& p : points) {
        std::snprintf(line, sizeof line, "v %f %f %f\n", static_cast<double>(p.x), static_cast<double>(p.y),
                      static_cast<double>(p.z));
        text += line;
    }
    out << text;
}

bool writePathFile(const std::string& path, const std::vector<glm::vec3>& points, float speed, std::string& error)
{
    std::ostringstream text;
    writePath(text, points, speed);
    return writeFileSafely(path, text.str(), error);
}
