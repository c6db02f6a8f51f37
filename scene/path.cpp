// Path following of SceneObject: reads path files ("sp" speed and "v" point tokens), records
// points, and flies a chain of cubic Bezier segments at a constant arc speed, turning `up` into
// the direction of flight. Reads the path file; writes position, the frame and the path state.
#include "scene/scene_object.h"

#include <cctype>
#include <cstdio>
#include <memory>

namespace {
constexpr float kDefaultPathSpeed = 10.0f;
constexpr std::size_t kMaxTokenLength = 127;
constexpr std::size_t kMinPointsToFollow = 5;
// Points i .. i+3 form a segment; the next one starts on its last control point.
constexpr int kSegmentStride = 3;
// A curve parameter past the end of every segment: the next call starts the next segment.
constexpr float kPastSegmentEnd = 2.0f;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Reads the next white-space separated token into `token`. A token longer than kMaxTokenLength
// is consumed whole and returned as empty, so no tail of it is ever read as a token of its own.
// Returns false at the end of the file.
bool readToken(std::FILE* file, std::string& token)
{
    token.clear();
    int c = std::fgetc(file);
    while (c != EOF && std::isspace(c))
        c = std::fgetc(file);
    if (c == EOF)
        return false;
    bool tooLong = false;
    for (; c != EOF && !std::isspace(c); c = std::fgetc(file)) {
        if (token.size() < kMaxTokenLength)
            token.push_back(char(c));
        else
            tooLong = true;
    }
    if (tooLong)
        token.clear();
    return true;
}

glm::vec3 pointAt(const std::vector<PathPoint>& points, int i)
{
    return glm::vec3(points[i].x, points[i].y, points[i].z);
}
}  // namespace

void SceneObject::loadPath(const std::string& path)
{
    const FileHandle file(std::fopen(path.c_str(), "r"));
    if (!file) {
        std::printf("Impossible to open the file ! Are you in the right path ? See Tutorial 1 for details\n");
        return;
    }
    float speed = kDefaultPathSpeed;
    std::string token;
    while (readToken(file.get(), token)) {
        if (token == "sp") {
            float value = 0.0f;
            if (std::fscanf(file.get(), "%f\n", &value) == 1)
                speed = value;
        } else if (token == "v") {
            PathPoint point;
            // Coordinates that do not read stay 0; an unreadable text is left as the next token.
            static_cast<void>(std::fscanf(file.get(), "%f %f %f\n", &point.x, &point.y, &point.z));
            point.speed = speed;
            pathPoints.push_back(point);
        }
    }
    if (pathPoints.size() >= kMinPointsToFollow)
        pathActive = true;
}

void SceneObject::addPathPoint(float speed)
{
    pathPoints.push_back(PathPoint{position.x, position.y, position.z, speed});
}

void SceneObject::followPath(float speed)
{
    if (!pathActive)
        return;
    const int i = pathSegment;
    const int n = int(pathPoints.size());
    // A segment is followed only while a point lies beyond its last control point.
    if (i + 4 >= n) {
        pathActive = false;
        return;
    }
    if (pathT > 1.0f) {
        pathT = 0.0f;
        pathSegment = i + kSegmentStride;
        return;
    }
    evaluateSegment(pointAt(pathPoints, i), pointAt(pathPoints, i + 1), pointAt(pathPoints, i + 2),
                    pointAt(pathPoints, i + 3), pathT);

    const double t = pathT;
    const double tangentLength = glm::length(derivativeA * (t * t) + derivativeB * t + derivativeC);
    // Where the curve does not move (all control points alike) there is no arc to travel:
    // the segment ends rather than dividing zero by zero.
    if (tangentLength > 0.0)
        pathT += float(speed / tangentLength);
    else
        pathT = kPastSegmentEnd;
}

void SceneObject::evaluateSegment(const glm::vec3& p0, const glm::vec3& p1, const glm::vec3& p2,
                                  const glm::vec3& p3, float t)
{
    const glm::dvec3 b0(p0), b1(p1), b2(p2), b3(p3);
    derivativeA = -3.0 * b0 + 9.0 * b1 - 9.0 * b2 + 3.0 * b3;
    derivativeB = 6.0 * b0 - 12.0 * b1 + 6.0 * b2;
    derivativeC = -3.0 * b0 + 3.0 * b1;

    // de Casteljau's construction, in double precision.
    const double u = t;
    const double s = 1.0 - u;
    const glm::dvec3 q01 = s * b0 + u * b1;
    const glm::dvec3 q12 = s * b1 + u * b2;
    const glm::dvec3 q23 = s * b2 + u * b3;
    const glm::dvec3 r0 = s * q01 + u * q12;
    const glm::dvec3 r1 = s * q12 + u * q23;
    position = glm::vec3(s * r0 + u * r1);

    // The matrices take the new position with the previous step's frame; the frame turns after.
    update();

    if (!hasPrevPosition) {
        prevPosition = position;
        hasPrevPosition = true;
        return;
    }
    const glm::vec3 travelled = position - prevPosition;
    // Standing still gives no direction of flight: the frame keeps its axes.
    if (glm::dot(travelled, travelled) > 0.0f) {
        up = glm::normalize(travelled);
        forward = glm::cross(up, right);
    }
    prevPosition = position;
}
