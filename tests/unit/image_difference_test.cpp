// The reference comparison on small synthetic pictures: the strict and the cross-driver figures
// (tools/image_difference.h), and compare_images itself, its two output lines, its exit codes and
// its one-line refusal of bad input.
#include "fixture.h"
#include "tools/assets/image.h"
#include "tools/image_difference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <sys/wait.h>

namespace {

// Three bytes a pixel; B is A with each pixel's channels moved by `change(x, y)` levels.
struct PicturePair {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> a;
    std::vector<unsigned char> b;
};

PicturePair picturePair(int width, int height, int base, const std::function<int(int, int)>& change)
{
    PicturePair pair{width, height, {}, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) {
                pair.a.push_back((unsigned char)(base));
                pair.b.push_back((unsigned char)(base + change(x, y)));
            }
    return pair;
}

// Pixels on a lattice 8 apart and off the picture's edges, 200 levels off (at most one in any
// 7 x 7 window: 200 / 49 is about 4 levels), over a checkerboard of +-1: what a different
// rasteriser does at edges, stars and texture filtering.
int scatteredChange(int x, int y)
{
    if (x % 8 == 4 && y % 8 == 4)
        return 200;
    return (x + y) % 2 == 0 ? 1 : -1;
}

struct MeasureCase {
    const char* name;
    PicturePair pair;
    double rmse;
    double beyondShare;
    bool holds;
};

TEST(ImageDifferenceTest, CrossDriverJudgementForgivesScatteredPixelsNotAreaChanges)
{
    // One pixel off by 246 levels is beyond its threshold in the 49 pixels around it (246 > 5 x 49),
    // which are exactly the bound's 0.2 % of 175 x 140 pixels.
    const auto onePixel = [](int levels) { return [levels](int x, int y) { return x == 80 && y == 70 ? levels : 0; }; };
    const MeasureCase cases[] = {
        {"identical", picturePair(40, 30, 90, [](int, int) { return 0; }), 0.0, 0.0, true},
        // 20 pixels 200 levels off and 1260 one level off: 50 times the strict tolerance.
        {"scattered pixels, far off the strict tolerance", picturePair(40, 32, 40, scatteredChange),
         std::sqrt((20 * 200.0 * 200.0 + 1260.0) / 1280.0) / 255.0, 0.0, true},
        // The blur repeats the edge pixels: every pixel sees the shift, the corners too.
        {"a uniform shift of 6 levels, as an exposure change", picturePair(40, 30, 90, [](int, int) { return 6; }),
         6.0 / 255.0, 1.0, false},
        {"a uniform shift of 5 levels is at the threshold, not beyond", picturePair(40, 30, 90, [](int, int) { return 5; }),
         5.0 / 255.0, 0.0, true},
        {"one pixel 245 levels off is at the threshold after the blur", picturePair(175, 140, 0, onePixel(245)),
         245.0 / 255.0 / std::sqrt(24500.0), 0.0, true},
        {"one pixel 246 levels off: the bound exactly", picturePair(175, 140, 0, onePixel(246)),
         246.0 / 255.0 / std::sqrt(24500.0), 0.002, true},
        {"the same pixel in a picture one column narrower: past the bound", picturePair(174, 140, 0, onePixel(246)),
         246.0 / 255.0 / std::sqrt(24360.0), 49.0 / 24360.0, false},
    };
    for (const MeasureCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ImageDifference difference = compareImages(c.pair.a.data(), c.pair.b.data(), c.pair.width, c.pair.height);
        EXPECT_NEAR(difference.rmse, c.rmse, 1e-4);
        EXPECT_DOUBLE_EQ(difference.beyondShare, c.beyondShare);
        EXPECT_EQ(crossDriverHolds(difference), c.holds);
    }
}

// compare_images run with the given arguments, its standard output and error apart.
struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

ToolRun runCompareImages(const ScratchDirectory& dir, const std::string& arguments)
{
    const std::string out = (dir.path / "out.txt").string(), err = (dir.path / "err.txt").string();
    const int raw = std::system((std::string(COMPARE_IMAGES) + " " + arguments + " >" + out + " 2>" + err).c_str());
    const auto read = [](const std::string& path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read(out), read(err)};
}

std::string writePairFile(const ScratchDirectory& dir, const std::string& name, int width, int height,
                          const std::vector<unsigned char>& rgb)
{
    Image image(width, height);
    for (std::size_t i = 0; i < image.texels.size(); ++i)
        image.texels[i] = glm::vec3(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]) / 255.0f;
    const std::string path = (dir.path / name).string();
    std::string error;
    EXPECT_TRUE(writePng(path, image, error)) << error;
    return path;
}

TEST(CompareImagesToolTest, StrictLineByDefaultCrossDriverLineOnRequest)
{
    ScratchDirectory dir;
    const PicturePair scattered = picturePair(40, 32, 40, scatteredChange);
    const std::string a = writePairFile(dir, "a.png", 40, 32, scattered.a);
    const std::string b = writePairFile(dir, "b.png", 40, 32, scattered.b);
    const PicturePair shifted = picturePair(40, 32, 40, [](int, int) { return 6; });
    const std::string shiftedB = writePairFile(dir, "shifted.png", 40, 32, shifted.b);

    // The reference test's line and judgement: RMSE and the share of pixels that differ at all.
    const ToolRun strict = runCompareImages(dir, a + " " + b + " 0.002");
    EXPECT_EQ(strict.status, 1);
    EXPECT_EQ(strict.out, "0.0981164 100.0000%\n");
    EXPECT_EQ(runCompareImages(dir, a + " " + b + " 0.1").status, 0);
    EXPECT_EQ(runCompareImages(dir, a + " " + a).out, "0 0.0000%\n");

    // The same two figures, then the share beyond the threshold after the blur and its bound.
    const ToolRun forgiven = runCompareImages(dir, "--cross-driver " + a + " " + b);
    EXPECT_EQ(forgiven.status, 0);
    EXPECT_EQ(forgiven.out, "0.0981164 100.0000% 0.0000% 0.2000%\n");
    const ToolRun exposure = runCompareImages(dir, "--cross-driver " + a + " " + shiftedB);
    EXPECT_EQ(exposure.status, 1);
    EXPECT_EQ(exposure.out, "0.0235294 100.0000% 100.0000% 0.2000%\n");
    EXPECT_EQ(forgiven.err + exposure.err + strict.err, "");

    // Left out, a rectangle counts as equal in both judgements; one past the edge is clipped.
    EXPECT_EQ(runCompareImages(dir, "--ignore 0,0,40,32 " + a + " " + b).out, "0 0.0000%\n");
    const ToolRun half = runCompareImages(dir, "--ignore 20,0,400,400 --cross-driver " + a + " " + shiftedB);
    // Half the pixels still differ; after the blur the three columns beside the black half fall
    // under the threshold too.
    EXPECT_EQ(half.out, "0.0166378 50.0000% 45.0000% 0.2000%\n");
    EXPECT_EQ(half.status, 1);
}

TEST(CompareImagesToolTest, BadInputGivesOneLineAndExitTwo)
{
    ScratchDirectory dir;
    const std::vector<unsigned char> grey(16 * 8 * 3, 90);
    const std::string a = writePairFile(dir, "a.png", 16, 8, grey);
    const std::string wider = writePairFile(dir, "wider.png", 8, 16, grey);
    std::ifstream in(a, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    const std::string truncated = (dir.path / "truncated.png").string();
    writeFile(truncated, bytes.substr(0, bytes.size() / 2));
    const std::string missing = (dir.path / "missing.png").string();

    const struct {
        const char* name;
        std::string arguments;
        std::string firstWords;
    } cases[] = {
        {"no pictures", "", "usage: compare_images [--ignore X,Y,W,H]... A B [TOLERANCE] | "},
        {"an empty rectangle ignored", "--ignore 0,0,0,4 " + a + " " + a, "compare_images: --ignore wants X,Y,W,H"},
        {"a rectangle of three numbers", "--ignore 1,2,3 " + a + " " + a, "compare_images: --ignore wants X,Y,W,H"},
        {"a rectangle with junk", "--ignore 1,2,3,4x " + a + " " + a, "compare_images: --ignore wants X,Y,W,H"},
        {"one picture", a, "usage: "},
        {"a tolerance with --cross-driver", "--cross-driver " + a + " " + a + " 0.002", "usage: "},
        {"the first missing", missing + " " + a, "compare_images: cannot read " + missing + ": "},
        {"both missing: only the first named", missing + " " + missing + "2", "compare_images: cannot read " + missing + ": "},
        {"the second truncated", a + " " + truncated, "compare_images: cannot read " + truncated + ": "},
        {"truncated, cross-driver", "--cross-driver " + truncated + " " + a, "compare_images: cannot read " + truncated + ": "},
        {"sizes differ", a + " " + wider, "compare_images: " + a + " is 16 x 8, " + wider + " is 8 x 16"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolRun run = runCompareImages(dir, c.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind(c.firstWords, 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_TRUE(!run.err.empty() && run.err.back() == '\n') << run.err;
    }
}

}  // namespace
