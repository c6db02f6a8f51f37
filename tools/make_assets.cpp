// The asset tool: writes every mesh, image and the path file the scene reads into an output
// folder (normally models/), deterministically, each whole or not at all; a file it cannot write
// is named with the system's reason and the tool exits with 1. Reads the Earth photograph that
// xplanet-images installs and the bunny arrays of the npm package "bunny", with stand-ins when
// either is absent.
// Usage: make_assets <output dir> [bunny index.js]
#include "tools/assets/bunny.h"
#include "tools/assets/image.h"
#include "tools/assets/mesh.h"
#include "tools/assets/models.h"
#include "tools/assets/path.h"

#include <SOIL/SOIL.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const char* const earthPhotograph = "/usr/share/xplanet/images/earth.jpg";
const char* const defaultBunnyScript = ".deps/node_modules/bunny/index.js";

// Keeps count of the files written and reports each failure on one line, with its reason.
struct Writer {
    std::filesystem::path root;
    int written = 0;
    int failed = 0;

    std::string prepare(const std::string& name)
    {
        const std::filesystem::path path = root / name;
        std::error_code ignored;
        std::filesystem::create_directories(path.parent_path(), ignored);
        return path.string();
    }

    void report(bool ok, const std::string& path, const std::string& error)
    {
        if (ok) {
            ++written;
        } else {
            ++failed;
            std::printf("make_assets: cannot write %s: %s\n", path.c_str(), error.c_str());
        }
    }

    void png(const std::string& name, const Image& image)
    {
        const std::string path = prepare(name);
        std::string error;
        report(writePng(path, image, error), path, error);
    }

    void jpg(const std::string& name, const Image& image)
    {
        const std::string path = prepare(name);
        std::string error;
        report(writeJpg(path, image, error), path, error);
    }

    void obj(const std::string& name, const MeshData& mesh, const std::string& objectName)
    {
        const std::string path = prepare(name);
        std::string error;
        report(writeObjFile(path, mesh, objectName, error), path, error);
    }

    void flight(const std::string& name, const std::vector<glm::vec3>& points)
    {
        const std::string path = prepare(name);
        std::string error;
        // The stored speed is informational; the follower takes its speed from the frame time.
        report(writePathFile(path, points, 10.0f, error), path, error);
    }
};

Image loadEarthPhotograph()
{
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = SOIL_load_image(earthPhotograph, &width, &height, &channels, SOIL_LOAD_RGB);
    if (!pixels) {
        std::printf("make_assets: cannot read %s (%s); writing a stand-in Earth\n", earthPhotograph,
                    SOIL_last_result());
        return earthStandIn(2048, 1024);
    }
    Image image(width, height);
    for (size_t i = 0; i < image.texels.size(); ++i)
        image.texels[i] = glm::vec3(pixels[3 * i], pixels[3 * i + 1], pixels[3 * i + 2]) / 255.0f;
    SOIL_free_image_data(pixels);
    return image;
}

MeshData loadBunny(const std::string& scriptPath)
{
    std::ifstream in(scriptPath, std::ios::binary);
    std::string error = "not found (bash scripts/setup.sh installs it with npm)";
    MeshData mesh;
    if (in) {
        std::ostringstream text;
        text << in.rdbuf();
        if (parseBunnyScript(text.str(), mesh, error))
            return mesh;
    }
    std::printf("make_assets: Stanford bunny %s: %s; writing a stand-in bunny\n", scriptPath.c_str(), error.c_str());
    return bunnyStandIn();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::printf("usage: make_assets <output dir> [bunny index.js]\n");
        return 2;
    }
    Writer out{argv[1]};

    const Image earth = loadEarthPhotograph();
    out.obj("earth/earthBlend.obj", uvSphere(96, 48), "earth");
    out.png("earth/Earth2.png", earth);
    out.jpg("earth/Earth-normal-8k2.jpg", earthNormalMap(earth, 1024, 512));
    out.png("earth/white.png", Image(16, 16, glm::vec3(1.0f)));

    MeshData bunny = loadBunny(argc > 2 ? argv[2] : defaultBunnyScript);
    prepareBunny(bunny, 3.0f);
    out.obj("bunny/bunny.obj", bunny, "bunny");

    out.obj("rocket/rocketPiv2.obj", rocketMesh(), "rocket");
    out.png("rocket/jupitertex.png", rocketTexture(512, 256));
    out.obj("asteroid/asteroidUV.obj", asteroidMesh(), "asteroid");
    out.obj("deepSpace1/deepSpace1.obj", probeMesh(), "deepSpace1");
    out.png("deepSpace1/deepSpace1_diffuse.png", probeDiffuse(1024));
    out.png("deepSpace1/deepSpace1_normal.png", probeNormalMap(1024));
    out.obj("phobos/phobosTriUV.obj", phobosMesh(), "phobos");
    out.jpg("phobos/phobos.jpg", phobosTexture(1024, 512));

    out.png("lensstar.png", lensStar(512, 61));
    out.png("lensdirt.png", lensDirt(1024, 512, 62));
    out.png("lenscolor.png", lensColorRamp());
    out.png("starfield2.png", starField(1024, 63));
    out.flight("newRocket.txt", rocketFlight());

    std::printf("make_assets: wrote %d files into %s\n", out.written, argv[1]);
    return out.failed == 0 ? 0 : 1;
}
