// Compares two pictures of the same size (PNG, or any format SOIL reads) channel by channel over
// RGB. By default it prints their root-mean-square difference normalised to 0..1, the way
// ImageMagick's `compare -metric RMSE` reports it in brackets, and the share of pixels that differ
// at all, and exits 0 when the difference is at or below the tolerance, 1 when above (the
// reference test on the driver that made the references). With --cross-driver it prints those
// two figures, then the share of pixels beyond the cross-driver threshold after the blur and the
// bound on that share (tools/image_difference.h), and exits 0 when the share is within the bound,
// 1 when above (the check on another driver or a GPU). Either way it exits 2, after one line on
// standard error, when a picture cannot be read or the sizes differ. --ignore X,Y,W,H (pixels from
// the top left; repeatable) leaves a rectangle out: both pictures are made black there first,
// for figures that change from run to run (the overlay's live GPU times).
// Usage: compare_images [--ignore X,Y,W,H]... [--cross-driver] A B [TOLERANCE]
#include "tools/image_difference.h"

#include <SOIL/SOIL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

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

struct Rectangle {
    int x = 0, y = 0, w = 0, h = 0;
};

bool parseRectangle(const char* text, Rectangle& r)
{
    char end = 0;
    return std::sscanf(text, "%d,%d,%d,%d%c", &r.x, &r.y, &r.w, &r.h, &end) == 4 && r.x >= 0 && r.y >= 0 &&
           r.w > 0 && r.h > 0;
}

// Blacks out the part of r inside the picture.
void blackOut(unsigned char* rgb, int width, int height, const Rectangle& r)
{
    for (int y = r.y; y < height && y < r.y + r.h; ++y)
        for (int x = r.x; x < width && x < r.x + r.w; ++x)
            std::memset(rgb + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3, 0, 3);
}

}  // namespace

int main(int argc, char** argv)
{
    const char* const usage =
        "usage: compare_images [--ignore X,Y,W,H]... A B [TOLERANCE] | compare_images [--ignore X,Y,W,H]... "
        "--cross-driver A B\n";
    std::vector<Rectangle> ignored;
    int first = 1;
    for (; first + 1 < argc && std::strcmp(argv[first], "--ignore") == 0; first += 2) {
        Rectangle r;
        if (!parseRectangle(argv[first + 1], r)) {
            std::fprintf(stderr, "compare_images: --ignore wants X,Y,W,H with W and H above 0, not \"%s\"\n",
                         argv[first + 1]);
            return 2;
        }
        ignored.push_back(r);
    }
    const bool crossDriver = argc > first && std::strcmp(argv[first], "--cross-driver") == 0;
    const char* const* args = argv + first + (crossDriver ? 1 : 0);
    const int count = argc - first - (crossDriver ? 1 : 0);
    if (count < 2 || (crossDriver && count > 2)) {
        std::fputs(usage, stderr);
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
    for (const Rectangle& r : ignored) {
        blackOut(a.get(), widthA, heightA, r);
        blackOut(b.get(), widthB, heightB, r);
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
