// Path files and Bezier following: token rules, the activation and segment rules, the arc-speed
// step, the frame turn, and the cases where a careless reader or follower goes wrong.
#include "fixture.h"
#include "scene/scene_object.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <string>

namespace {

struct Traveller : SceneObject {
    int updates = 0;
    glm::vec3 upAtLastUpdate{0.0f};
    void update() override
    {
        ++updates;
        upAtLastUpdate = up;
    }
};

std::string writePathFile(const std::string& name, const std::string& text)
{
    return writeFixtureFile("scene_path_" + name + ".txt", text);
}

// Points 0, 1, ... n-1 on a gentle curve through space, one "v" line each.
std::string pointLines(int n)
{
    std::string text;
    for (int i = 0; i < n; ++i)
        text += "v " + std::to_string(i) + " " + std::to_string(i % 2) + " " + std::to_string(i * i % 3) + "\n";
    return text;
}

glm::vec3 pointOf(const PathPoint& p) { return glm::vec3(p.x, p.y, p.z); }

int openFileCount()
{
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
}

// Follows until the path ends (or maxSteps), returning the distance of the closest approach to target.
float followToEnd(Traveller& t, float speed, const glm::vec3& target, int maxSteps = 100000)
{
    float closest = 1e30f;
    for (int step = 0; step < maxSteps && t.pathActive; ++step) {
        t.followPath(speed);
        closest = std::min(closest, glm::length(t.position - target));
    }
    return closest;
}

TEST(PathTest, PointsAndSpeedsFromTokens)
{
    Traveller t;
    t.loadPath(writePathFile("tokens", "# rocket path, written by hand\n"
                                       "v 1 2 3\n"
                                       "vt 0.5 0.5\n"
                                       "sp 5\n"
                                       "v 4 5 6\n"
                                       "sp oops\n"
                                       "v 7 8 9\n"
                                       "vv 1 1 1\n"
                                       "v 1 abc 3\n"));
    ASSERT_EQ(t.pathPoints.size(), 4u);
    EXPECT_EQ(pointOf(t.pathPoints[0]), glm::vec3(1, 2, 3));
    EXPECT_EQ(t.pathPoints[0].speed, 10.0f);
    EXPECT_EQ(pointOf(t.pathPoints[1]), glm::vec3(4, 5, 6));
    EXPECT_EQ(t.pathPoints[1].speed, 5.0f);
    EXPECT_EQ(t.pathPoints[2].speed, 5.0f);  // an unreadable speed keeps the last one
    EXPECT_EQ(pointOf(t.pathPoints[3]), glm::vec3(1, 0, 0));  // unread coordinates are 0
    EXPECT_FALSE(t.pathActive);              // 4 points are not enough to follow
    t.followPath(0.1f);
    EXPECT_EQ(t.position, glm::vec3(0, 0, 0));
    EXPECT_EQ(t.updates, 0);
}

TEST(PathTest, SpeedBeforeFirstPointAppliesToAllAndEachFileStartsAtTen)
{
    Traveller t;
    t.loadPath(writePathFile("sp5", "sp 5\n" + pointLines(3)));
    t.loadPath(writePathFile("plain", pointLines(2)));
    ASSERT_EQ(t.pathPoints.size(), 5u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(t.pathPoints[i].speed, 5.0f);
    EXPECT_EQ(t.pathPoints[3].speed, 10.0f);
    EXPECT_TRUE(t.pathActive);  // a second file that brings the list to 5 enables following
}

TEST(PathTest, OverlongTokensAreSkippedWholeAndTheFileIsClosed)
{
    const std::string longToken(5000, 'x');
    // A reader that cut tokens at 127 characters and read the rest as tokens of their own would
    // take the final "v" of these for a point.
    const std::string longEndingInV = std::string(127 * 39, 'x') + "v";
    const std::string text = "v 1 1 1\n" + longToken + "\n" + longEndingInV + " 9 9 9\n" +
                             std::string(128, 'v') + " 8 8 8\nv 2 2 2";
    const std::string path = writePathFile("long", text);
    const int before = openFileCount();
    Traveller t;
    t.loadPath(path);
    EXPECT_EQ(openFileCount(), before);
    ASSERT_EQ(t.pathPoints.size(), 2u);
    EXPECT_EQ(pointOf(t.pathPoints[0]), glm::vec3(1, 1, 1));
    EXPECT_EQ(pointOf(t.pathPoints[1]), glm::vec3(2, 2, 2));
}

TEST(PathTest, EmptyAndMissingFiles)
{
    Traveller t;
    testing::internal::CaptureStdout();
    t.loadPath(writePathFile("empty", ""));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(t.pathPoints.empty());
    EXPECT_FALSE(t.pathActive);

    t.pathPoints.assign(5, PathPoint{});
    testing::internal::CaptureStdout();
    t.loadPath(missingFixtureFile("scene_path.txt"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Impossible to open the file ! Are you in the right path ? See Tutorial 1 for details\n");
    EXPECT_EQ(t.pathPoints.size(), 5u);
    EXPECT_FALSE(t.pathActive);
}

TEST(PathTest, SegmentsNeedAPointBeyondTheirLastControlPoint)
{
    struct Case {
        int points;
        int lastSegment;  // start of the last segment followed
    };
    for (const Case c : {Case{5, 0}, Case{7, 0}, Case{8, 3}, Case{11, 6}}) {
        SCOPED_TRACE(c.points);
        Traveller t;
        t.loadPath(writePathFile("n" + std::to_string(c.points), pointLines(c.points)));
        ASSERT_TRUE(t.pathActive);
        const glm::vec3 lastControl = pointOf(t.pathPoints[c.lastSegment + 3]);
        const glm::vec3 beyond = pointOf(t.pathPoints[c.lastSegment + 4]);
        const float closestToEnd = followToEnd(t, 0.05f, lastControl);
        EXPECT_FALSE(t.pathActive);
        EXPECT_EQ(t.pathSegment, c.lastSegment + 3);
        EXPECT_LT(closestToEnd, 0.08f);  // the last segment was flown to its end
        EXPECT_GT(glm::length(t.position - beyond), 0.5f);
        // Finished: further calls change nothing.
        const glm::vec3 stopped = t.position;
        t.followPath(0.05f);
        EXPECT_EQ(t.position, stopped);
    }
}

TEST(PathTest, FollowingAdvancesAboutSpeedUnitsOfArcPerCall)
{
    Traveller t;
    t.loadPath(writePathFile("arc", "v 0 0 0\nv 4 6 0\nv 8 -3 2\nv 12 1 1\nv 0 0 0\n"));
    const float speed = 0.05f;
    t.followPath(speed);
    glm::vec3 previous = t.position;
    EXPECT_EQ(previous, glm::vec3(0, 0, 0));
    int moves = 0;
    while (t.pathActive && t.pathT <= 1.0f) {
        t.followPath(speed);
        const float step = glm::length(t.position - previous);
        EXPECT_NEAR(step, speed, 0.1f * speed) << "at t = " << t.pathT;
        previous = t.position;
        ++moves;
    }
    EXPECT_GT(moves, 200);  // the segment is over 10 units long
}

TEST(PathTest, FirstEvaluationSetsOnlyPrevPositionAndLaterOnesTurnAfterUpdate)
{
    Traveller t;
    const glm::vec3 p0(0, 0, 0), p1(0, 0, 1), p2(0, 0, 2), p3(0, 0, 3);
    t.evaluateSegment(p0, p1, p2, p3, 0.5f);
    EXPECT_EQ(t.position, glm::vec3(0, 0, 1.5f));
    EXPECT_TRUE(t.hasPrevPosition);
    EXPECT_EQ(t.prevPosition, t.position);
    EXPECT_EQ(t.forward, glm::vec3(0, 0, 1));
    EXPECT_EQ(t.up, glm::vec3(0, 1, 0));
    EXPECT_EQ(t.updates, 1);

    t.evaluateSegment(p0, p1, p2, p3, 0.75f);
    EXPECT_EQ(t.upAtLastUpdate, glm::vec3(0, 1, 0));  // update saw the previous frame
    EXPECT_EQ(t.up, glm::vec3(0, 0, 1));             // up points along the flight
    EXPECT_EQ(t.forward, glm::vec3(0, -1, 0));       // up x right, right unchanged
    EXPECT_EQ(t.right, glm::vec3(-1, 0, 0));
    EXPECT_EQ(t.prevPosition, t.position);
    EXPECT_EQ(t.updates, 2);
}

TEST(PathTest, RepeatedPositionKeepsTheFrame)
{
    Traveller t;
    t.loadPath(writePathFile("still", "v 0 0 0\nv 1 2 0\nv 2 1 0\nv 3 0 0\nv 9 9 9\n"));
    t.followPath(0.2f);
    t.followPath(0.2f);
    t.followPath(0.0f);  // flies the step the previous call set up, then stays on it
    const glm::vec3 forward = t.forward, up = t.up, right = t.right;
    t.followPath(0.0f);  // evaluates the same point again
    EXPECT_EQ(t.forward, forward);
    EXPECT_EQ(t.up, up);
    EXPECT_EQ(t.right, right);

    // A segment that ends exactly on t = 1 starts the next one on the same point.
    Traveller u;
    const glm::vec3 a(0, 0, 0), b(1, 0, 0), c(2, 0, 0), d(3, 0, 0), e(4, 1, 0), f(5, 2, 0), g(6, 0, 0);
    u.evaluateSegment(a, b, c, d, 0.9f);
    u.evaluateSegment(a, b, c, d, 1.0f);
    const glm::vec3 upBefore = u.up;
    u.evaluateSegment(d, e, f, g, 0.0f);
    EXPECT_EQ(u.up, upBefore);
    EXPECT_TRUE(std::isfinite(u.forward.x) && std::isfinite(u.forward.y) && std::isfinite(u.forward.z));
}

TEST(PathTest, PathOfOnePointRepeatedEndsWithoutNaN)
{
    Traveller t;
    t.loadPath(writePathFile("point", "v 2 2 2\nv 2 2 2\nv 2 2 2\nv 2 2 2\nv 2 2 2\n"));
    for (int i = 0; i < 5; ++i)
        t.followPath(0.0f);
    EXPECT_EQ(t.position, glm::vec3(2, 2, 2));
    EXPECT_FALSE(t.pathActive);
    EXPECT_EQ(t.up, glm::vec3(0, 1, 0));
}

}  // namespace
