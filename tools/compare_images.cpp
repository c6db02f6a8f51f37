// Compares two pictures of the same size (PNG, or any format SOIL reads) channel by channel over
// RGB and prints their root-mean-square difference normalised to 0..1, the way ImageMagick's
// `compare -metric RMSE` reports it in brackets, and the share of pixels that differ at all. Used
// where ImageMagick is not installed (the GPU check). Exits 0 when the difference is at or below
// the tolerance, 1 when above, 2 when a picture cannot be read or the sizes differ.
// Usage: compare_images A B [TOLERANCE]
#include <SOIL/SOIL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
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
    if (argc < 3) {
        std::fprintf(stderr, "usage: compare_images A B [TOLERANCE]\n");
        return 2;
    }
    const double tolerance = argc > 3 ? std::atof(argv[3]) : 0.0;
    int widthA = 0, heightA = 0, widthB = 0, heightB = 0;
    const Pixels a = load(argv[1], widthA, heightA);
    const Pixels b = load(argv[2], widthB, heightB);
    if (!a || !b)
        return 2;
    if (widthA != widthB || heightA != heightB) {
        std::fprintf(stderr, "compare_images: %s is %d x %d, %s is %d x %d\n", argv[1], widthA, heightA, argv[2],
                     widthB, heightB);
        return 2;
    }
    const std::size_t pixels = std::size_t(widthA) * std::size_t(heightA);
    double sum = 0.0;
    std::size_t differing = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        bool differs = false;
        for (std::size_t c = 0; c < 3; ++c) {
            const double d = (double(a.get()[3 * i + c]) - double(b.get()[3 * i + c])) / 255.0;
            sum += d * d;
            differs = differs || d != 0.0;
        }
        differing += differs ? 1 : 0;
    }
    const double rmse = std::sqrt(sum / double(3 * pixels));
    std::printf("%.6g %.4f%%\n", rmse, 100.0 * double(differing) / double(pixels));
    return rmse <= tolerance ? 0 : 1;
}
