// The rocket's flight file: point count the follower flies in full, start at the rocket, smooth
// joints, a route that passes the Earth early and clears the bodies, and text the loader reads.
#include "tools/assets/path.h"

#include <glm/geometric.hpp>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

const glm::vec3 rocketStart(10, 7, 15), earthCentre(0, 0, 15), asteroidCentre(-4.5f, 6, 40);
constexpr float earthRadius = 5.0f;
// The rocket reaches about 3.2 units ahead of its path point (mesh top 1.6, scale 2).
constexpr float rocketReach = 3.2f;

struct Sample {
    glm::vec3 position;
    float arc; // units flown from the start; the follower covers about one per second
};

// The curve as the follower flies it: segments at 0, 3, 6, ... while a point lies beyond.
std::vector<Sample> fly(const std::vector<glm::vec3>& points)
{
    std::vector<Sample> samples{{points[0], 0.0f}};
    for (size_t i = 0; i + 4 < points.size(); i += 3) {
        for (int k = 1; k <= 100; ++k) {
            const glm::vec3 p = bezierPoint(&points[i], static_cast<float>(k) / 100.0f);
            samples.push_back({p, samples.back().arc + glm::length(p - samples.back().position)});
        }
    }
    return samples;
}

TEST(AssetsPathTest, EverySegmentIsFlownAndTheFlightStartsAtTheRocket)
{
    const std::vector<glm::vec3> points = rocketFlight();
    ASSERT_GE(points.size(), 8u);
    EXPECT_EQ(points.size() % 3, 2u);
    EXPECT_LT(glm::length(points[0] - rocketStart), 0.5f);
    // The follower stops at the segment starting at i once i + 4 >= n: the last flown segment must
    // end on the last waypoint, one point before the end.
    const std::vector<Sample> samples = fly(points);
    EXPECT_EQ(samples.back().position, points[points.size() - 2]);
}

TEST(AssetsPathTest, JointsAreSmooth)
{
    const std::vector<glm::vec3> points = rocketFlight();
    for (size_t joint = 3; joint + 1 < points.size(); joint += 3) {
        const glm::vec3 in = glm::normalize(points[joint] - points[joint - 1]);
        const glm::vec3 out = glm::normalize(points[joint + 1] - points[joint]);
        EXPECT_GT(glm::dot(in, out), 0.9999f) << "joint " << joint;
    }
}

TEST(AssetsPathTest, ChainPassesThroughItsWaypoints)
{
    const std::vector<glm::vec3> waypoints = {{0, 0, 0}, {4, 1, 0}, {5, 5, 2}, {0, 6, 1}};
    const std::vector<glm::vec3> chain = bezierChain(waypoints);
    ASSERT_EQ(chain.size(), 10u);
    for (size_t j = 0; j < waypoints.size(); ++j)
        EXPECT_EQ(chain[3 * j], waypoints[j]);
    EXPECT_EQ(flightPath(waypoints).size(), 11u);
}

TEST(AssetsPathTest, FlightPassesTheEarthEarlyAndClearsTheBodies)
{
    const std::vector<Sample> samples = fly(rocketFlight());
    float nearestEarly = 1e9f, nearestEarth = 1e9f, nearestAsteroid = 1e9f;
    for (const Sample& s : samples) {
        const float earth = glm::length(s.position - earthCentre);
        nearestEarth = std::min(nearestEarth, earth);
        if (s.arc < 30.0f)
            nearestEarly = std::min(nearestEarly, earth);
        nearestAsteroid = std::min(nearestAsteroid, glm::length(s.position - asteroidCentre));
    }
    EXPECT_GT(nearestEarth, earthRadius + rocketReach);
    EXPECT_LT(nearestEarly, 12.0f);
    EXPECT_LT(nearestAsteroid, 6.0f);
    EXPECT_GT(nearestAsteroid, 2.5f);
    EXPECT_GT(samples.back().arc, 60.0f);
}

TEST(AssetsPathTest, FileHoldsOnlyLoaderTokensOutsideTheComment)
{
    const std::vector<glm::vec3> points = {{1.5f, -2, 3}, {4, 5, 6}};
    std::ostringstream out;
    writePath(out, points, 10.0f);
    std::istringstream lines(out.str());
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line[0], '#');
    std::istringstream comment(line);
    for (std::string token; comment >> token;)
        EXPECT_TRUE(token != "v" && token != "sp") << token;
    std::vector<glm::vec3> read;
    float speed = 0.0f;
    for (std::string token; lines >> token;) {
        if (token == "sp") {
            lines >> speed;
        } else {
            ASSERT_EQ(token, "v");
            glm::vec3 p;
            lines >> p.x >> p.y >> p.z;
            read.push_back(p);
        }
    }
    EXPECT_EQ(speed, 10.0f);
    EXPECT_EQ(read, points);
}

} // namespace
