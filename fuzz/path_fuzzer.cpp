// Fuzzes the path file reader (SceneObject::loadPath) and then flies the points it read for a
// bounded number of steps, so that whatever numbers a file holds reach the curve evaluation.
#include "fuzz_input.h"
#include "scene/scene_object.h"

namespace {
constexpr int kFollowSteps = 512;
constexpr float kStepLength = 0.5f;
constexpr size_t kShortestPoint = 2;  // "v" and one separating character

class PathRider : public SceneObject {
public:
    void update() override {}
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const FuzzInputFile input("path");
    PathRider rider;
    rider.loadPath(input.write(data, size));
    FUZZ_CHECK(rider.pathPoints.size() <= size / kShortestPoint + 1);
    for (int step = 0; step < kFollowSteps && rider.pathActive; ++step) {
        rider.followPath(kStepLength);
        FUZZ_CHECK(rider.pathSegment >= 0 && size_t(rider.pathSegment) < rider.pathPoints.size());
    }
    return 0;
}
