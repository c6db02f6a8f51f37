// The OBJ reader against inputs that once failed: materials are never read, so a "mtllib" line
// naming an endless device or a pipe nobody writes cannot stall the program, and skin-weight
// lines, whose joint number the parser converts unchecked, never reach it.
#include "fixture.h"
#include "scene/obj_loader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <sys/stat.h>

namespace {

TEST(ObjLoaderTest, MaterialLibrariesAreNeverOpened)
{
    const ScratchDirectory folder;
    const std::string pipe = (folder.path / "materials.mtl").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string path = (folder.path / "triangle.obj").string();
    std::ofstream(path) << "mtllib /dev/zero\nmtllib " << pipe << "\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

    const ObjData data = readObjFile(path);
    EXPECT_FALSE(data.readError);
    ASSERT_EQ(data.shapes.size(), 1u);
    EXPECT_EQ(data.shapes[0].indices.size(), 3u);
}

TEST(ObjLoaderTest, VertexWeightLinesAreIgnoredWhateverTheirNumbers)
{
    // Found by the fuzzer: "vw 4  0 p 1e380" made the parser convert infinity to an int.
    const ObjData found = readObjFile("tests/data/hardening/obj_vertex_weight_out_of_int_range.obj");
    EXPECT_TRUE(found.readError);
    EXPECT_TRUE(found.shapes.empty());

    const ScratchDirectory folder;
    const std::string plain = (folder.path / "plain.obj").string();
    const std::string weighted = (folder.path / "weighted.obj").string();
    const std::string triangle = "v 0 0 0\rv 1 0 0\r\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nvn 0 0 1\nf 1/1/1 2/2/1 3/3/1\n";
    std::ofstream(plain) << triangle;
    std::ofstream(weighted) << "vw 0 1e99 1\n \tvw\t1 -7 0.5 3e40 2\r" << triangle << "vw 2 1 1\n";

    const ObjData a = readObjFile(plain);
    const ObjData b = readObjFile(weighted);
    EXPECT_FALSE(b.readError);
    ASSERT_EQ(a.shapes.size(), 1u);
    ASSERT_EQ(b.shapes.size(), 1u);
    EXPECT_EQ(a.shapes[0].positions, b.shapes[0].positions);
    EXPECT_EQ(a.shapes[0].indices, b.shapes[0].indices);
    EXPECT_EQ(b.shapes[0].tangents.size(), 3u);
}

}  // namespace
