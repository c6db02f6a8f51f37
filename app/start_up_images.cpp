// The paths of start-up's image files, each written once here; starts their decodes and hands
// them their wait hook. Opens /dev/null on the standard descriptors the program lacks.
#include "app/start_up_images.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

void openClosedStandardDescriptors()
{
    // open() takes the lowest free number, which is the closed one, as the lower ones are open.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        if (::fcntl(fd, F_GETFD) < 0 && ::open("/dev/null", O_RDWR) < 0)
            return;
}

}  // namespace

StartUpImages decodeStartUpImages()
{
    openClosedStandardDescriptors();
    return {
        ImageDecode::start("models/lensstar.png"),
        ImageDecode::start("models/lensdirt.png"),
        ImageDecode::start("models/lenscolor.png"),
        ImageDecode::start("models/starfield2.png"),
        ImageDecode::start("models/rocket/jupitertex.png"),
        ImageDecode::start("models/deepSpace1/deepSpace1_diffuse.png"),
        ImageDecode::start("models/deepSpace1/deepSpace1_normal.png"),
        ImageDecode::start("models/phobos/phobos.jpg"),
        ImageDecode::start("models/earth/Earth2.png"),
        ImageDecode::start("models/earth/Earth-normal-8k2.jpg"),
        ImageDecode::start("models/earth/white.png"),
    };
}

void StartUpImages::waitWith(const std::function<bool()>& keepWaiting)
{
    for (ImageDecode* decode : {&lensStar, &lensDirt, &lensColour, &starField, &rocket, &probe, &probeNormalMap,
                                &phobos, &earth, &earthNormalMap, &sun})
        decode->waitWith(keepWaiting);
}
