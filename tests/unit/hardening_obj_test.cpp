// The OBJ reader against files that name other files: materials are never read, so a "mtllib"
// line naming an endless device or a pipe nobody writes cannot stall or exhaust the program.
#include "scene/obj_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(HardeningObjTest, MaterialLibrariesAreNeverOpened)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("orbitview_hardening_obj_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string pipe = (folder / "materials.mtl").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string path = (folder / "triangle.obj").string();
    std::ofstream(path) << "mtllib /dev/zero\nmtllib " << pipe << "\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

    const ObjData data = readObjFile(path);
    EXPECT_FALSE(data.readError);
    ASSERT_EQ(data.shapes.size(), 1u);
    EXPECT_EQ(data.shapes[0].indices.size(), 3u);

    std::filesystem::remove_all(folder);
}

}  // namespace
