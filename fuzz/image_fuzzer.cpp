// Fuzzes the image decode (SOIL through decodeImage), the CPU steps every decoded texture goes
// through (row flip, the whole mip chain) and the colour-ramp decode and fill.
#include "fuzz_input.h"
#include "scene/texture.h"

namespace {
// Larger images decode but skip the mip chain, which would only make the run slow.
constexpr size_t kMaxChainPixels = size_t(1) << 22;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const FuzzInputFile input("image");
    const std::string& path = input.write(data, size);

    DecodedImage image;
    if (decodeImage(path, image)) {
        FUZZ_CHECK(image.channels == 3 || image.channels == 4);
        const size_t pixels = size_t(image.width) * size_t(image.height);
        FUZZ_CHECK(image.pixels.size() == pixels * size_t(image.channels));
        if (pixels <= kMaxChainPixels) {
            flipRows(image);
            while (image.width > 1 || image.height > 1) {
                image = halveImage(image);
                FUZZ_CHECK(image.pixels.size() == size_t(image.width) * size_t(image.height) * size_t(image.channels));
            }
        }
    }

    FUZZ_CHECK(decodeColourRamp(path).size() == size_t(kColourRampTexels) * 3);
    FUZZ_CHECK(fillColourRamp(data, size / 3).size() == size_t(kColourRampTexels) * 3);
    return 0;
}
