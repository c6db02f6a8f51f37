// Compares two pictures of the same size (PNG, or any format SOIL reads) channel by channel over
// RGB. By default it prints their root-mean-square difference normalised to 0..1, the way
// ImageMagick's `compare -metric RMSE` reports it in brackets, and the share of pixels that differ
// at all, and exits 0 when the difference is at or below the tolerance, 1 when above (the
// reference test on the driver that made the references). With --cross-driver it prints those
// two figures, then the share of pixels beyond the cross-driver threshold after the blur and the
// bound on that share (tools/image_difference.h), and exits 0 when the share is within the bound,
// 1 when above (the check on another driver or a GPU). Either way it exits 2, after one line on
// standard error, when a picture cannot be read or the sizes differ.
// Usage: compare_images A B [TOLERANCE]    or    compare_images --cross-driver A B
#include "tools/image_difference.h"

#include <SOIL/SOIL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using Pixels = std::unique_ptr<unsigned char, void (*)(unsigned char*)>;

Pixels load(const char* path, int& width, int& height)
{
    int channels = 0;
    unsigned char* data = SOIL_load_image(path, &width, &height, &channels, SOIL_LOAD_RGB);
    if (!data)
        std::fprintf(stderr, "compare_images: cannot read %s: %s\n", path, SOIL_last_result());
    return Pixels(data, [](unsigned char* p) { SOIL_free_image_data(p); });
}

}  // namespace

int main(int argc, char** argv)
{
    const bool crossDriver = argc > 1 && std::strcmp(argv[1], "--cross-driver") == 0;
    const char* const* args = argv + (crossDriver ? 2 : 1);
    const int count = argc - (crossDriver ? 2 : 1);
    if (count < 2 || (crossDriver && count > 2)) {
        std::fprintf(stderr, "usage: compare_images A B [TOLERANCE] | compare_images --cross-driver A B\n");
        return 2;
    }
    const double tolerance = count > 2 ? std::atof(args[2]) : 0.0;
    int widthA = 0, heightA = 0, widthB = 0, heightB = 0;
    const Pixels a = load(args[0], widthA, heightA);
    if (!a)
        return 2;
    const Pixels b = load(args[1], widthB, heightB);
    if (!b)
        return 2;
    if (widthA != widthB || heightA != heightB) {
        std::fprintf(stderr, "compare_images: %s is %d x %d, %s is %d x %d\n", args[0], widthA, heightA, args[1],
                     widthB, heightB);
        return 2;
    }
    const ImageDifference difference = compareImages(a.get(), b.get(), widthA, heightA);
    if (!crossDriver) {
        std::printf("%.6g %.4f%%\n", difference.rmse, 100.0 * difference.differingShare);
        return difference.rmse <= tolerance ? 0 : 1;
    }
    std::printf("%.6g %.4f%% %.4f%% %.4f%%\n", difference.rmse, 100.0 * difference.differingShare,
                100.0 * difference.beyondShare, 100.0 * kCrossDriverBound);
    return crossDriverHolds(difference) ? 0 : 1;
}
