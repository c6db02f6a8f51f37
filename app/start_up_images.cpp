// The paths of start-up's image files, each written once here; starts their decodes.
#include "app/start_up_images.h"

StartUpImages decodeStartUpImages()
{
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
