// The command lines of the frame benchmark and of the headless run (sizes, counts, the time
// step, capture times and views, and the one-line messages for arguments they cannot use, the
// shared ones worded alike in both), the driver's size limits that can still refuse a size both
// accept, and the benchmark's JSON output, where figures without samples are written as null.
#include "app/headless_run.h"
#include "bench/frame/json.h"
#include "bench/frame/options.h"
#include "render/target_size.h"

#include <gtest/gtest.h>

#include <limits>

TEST(BenchOptionsTest, ReadsEveryArgument)
{
    BenchOptions options;
    std::string error;
    ASSERT_TRUE(parseBenchOptions({"--frames", "120", "--size", "480x270", "--fixed-dt", "0.0166667", "--png",
                                   "out/a.png", "--json", "out/a.json", "--warmup", "5", "--draw-frames", "7",
                                   "--headless", "--overlay", "--gpu", "1"},
                                  options, error))
        << error;
    EXPECT_TRUE(options.overlay) << "a flag: the --gpu after it still has its value";
    EXPECT_EQ(options.frames, 120);
    EXPECT_EQ(options.warmup, 5);
    EXPECT_EQ(options.drawFrames, 7);
    EXPECT_EQ(options.width, 480);
    EXPECT_EQ(options.height, 270);
    EXPECT_DOUBLE_EQ(options.fixedDt, 0.0166667);
    EXPECT_EQ(options.pngPath, "out/a.png");
    EXPECT_EQ(options.jsonPath, "out/a.json");
    EXPECT_TRUE(options.headless);
    EXPECT_EQ(options.gpu, 1);
}

TEST(BenchOptionsTest, SizesOutsideWidthxHeightAreRefused)
{
    int width = 7, height = 9;
    for (const char* bad : {"1280", "1280x", "x720", "0x720", "1280x0", "-1x720", "12a0x720", "1280x720x3",
                            "99999x720", " 1280x720", ""}) {
        EXPECT_FALSE(parseSizeWxH(bad, width, height)) << bad;
        EXPECT_EQ(width, 7) << bad;
        EXPECT_EQ(height, 9) << bad;
    }
    EXPECT_TRUE(parseSizeWxH("1x1", width, height));
    EXPECT_EQ(width, 1);
}

TEST(BenchOptionsTest, BadArgumentsGiveOneLineMessages)
{
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"--frames", "0"}, "--frames wants a whole number from 1, not \"0\""},
        {{"--frames", "3o0"}, "--frames wants a whole number from 1, not \"3o0\""},
        {{"--size", "big"}, "--size wants WIDTHxHEIGHT, e.g. 1280x720, not \"big\""},
        {{"--fixed-dt", "0"}, "--fixed-dt wants seconds per frame in (0, 1], not \"0\""},
        {{"--fixed-dt", "nan"}, "--fixed-dt wants seconds per frame in (0, 1], not \"nan\""},
        {{"--frames"}, "unknown argument or missing value: --frames"},
        {{"--speed", "2"}, "unknown argument: --speed"},
        {{"--frames", "10", "--warmup", "10"}, "--warmup (10) leaves no frame of the 10 to measure"},
        {{"--gpu", "-1"}, "--gpu wants a device number from 0 or \"list\", not \"-1\""},
        {{"--frames", "1000001"}, "--frames wants a whole number from 1, not \"1000001\""},
    };
    for (const Case& c : cases) {
        BenchOptions options;
        std::string error;
        EXPECT_FALSE(parseBenchOptions(c.args, options, error)) << c.message;
        EXPECT_EQ(error, c.message);
    }
}

TEST(HeadlessOptionsTest, ReadsEveryArgumentAndStopsAtTheLastCaptureByDefault)
{
    HeadlessOptions options;
    std::string error;
    ASSERT_TRUE(parseHeadlessOptions({"480", "--overlay", "--gpu", "2", "270", "--fixed-dt", "0.1", "--capture", "5,17.5",
                                      "--out", "refs", "--view", "occlusion,lens-flare,final"},
                                     options, error))
        << error;
    EXPECT_EQ(options.width, 480);
    EXPECT_EQ(options.height, 270);
    EXPECT_EQ(options.gpu, 2);
    EXPECT_TRUE(options.overlay) << "a flag between a size and an option with a value";
    EXPECT_DOUBLE_EQ(options.fixedDt, 0.1);
    EXPECT_EQ(options.captures, (std::vector<double>{5.0, 17.5}));
    EXPECT_EQ(options.captureLabels, (std::vector<std::string>{"5", "17.5"}));
    EXPECT_DOUBLE_EQ(options.seconds, 17.5);
    EXPECT_EQ(options.outDir, "refs");
    // The final image comes first: the other views draw over it.
    EXPECT_EQ(options.views, (std::vector<View>{View::Final, View::Occlusion, View::LensFlare}));
    EXPECT_EQ(captureFileName(View::DepthOfField, "17.5"), "depth-of-field-17.5s.png");

    HeadlessOptions plain;
    ASSERT_TRUE(parseHeadlessOptions({"64", "32"}, plain, error)) << error;
    EXPECT_DOUBLE_EQ(plain.seconds, 20.0);
    EXPECT_EQ(plain.views, std::vector<View>{View::Final});
    EXPECT_FALSE(plain.overlay);
    HeadlessOptions list;
    ASSERT_TRUE(parseHeadlessOptions({"--gpu", "list"}, list, error)) << error;
    EXPECT_TRUE(list.listGpus);
}

// The values both programs read are refused by both with the same line.
TEST(HeadlessOptionsTest, SharedValuesAreRefusedAsTheBenchmarkRefusesThem)
{
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--frames", "-3"}, {"--frames", "1.5"}, {"--fixed-dt", "nan"},
                                               {"--fixed-dt", "1.5"}, {"--gpu", "abc"}, {"--gpu", "-1"}}) {
        BenchOptions bench;
        HeadlessOptions headless;
        std::string benchError, headlessError;
        std::vector<std::string> headlessArgs{"64", "32"};
        headlessArgs.insert(headlessArgs.end(), bad.begin(), bad.end());
        EXPECT_FALSE(parseBenchOptions(bad, bench, benchError)) << bad[1];
        EXPECT_FALSE(parseHeadlessOptions(headlessArgs, headless, headlessError)) << bad[1];
        EXPECT_EQ(benchError, headlessError);
    }
    BenchOptions list;
    std::string error;
    ASSERT_TRUE(parseBenchOptions({"--headless", "--gpu", "list"}, list, error)) << error;
    EXPECT_TRUE(list.listGpus);
}

TEST(HeadlessOptionsTest, BadArgumentsGiveOneLineMessages)
{
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::string size = "--headless wants a width and a height from 1 to 16384";
    const Case cases[] = {
        {{}, size},
        {{"640"}, size},
        {{"640", "0"}, size},
        {{"640", "36o"}, size},
        {{"20000", "360"}, size},
        {{"640", "360", "720"}, size},
        {{"640", "360", "--gpu", "one"}, "--gpu wants a device number from 0 or \"list\", not \"one\""},
        {{"640", "360", "--capture", "17,5"}, "--capture wants ascending scene times in seconds, e.g. 5,17, not \"17,5\""},
        {{"640", "360", "--capture", "5,"}, "--capture wants ascending scene times in seconds, e.g. 5,17, not \"5,\""},
        {{"640", "360", "--capture", "-1"}, "--capture wants ascending scene times in seconds, e.g. 5,17, not \"-1\""},
        {{"640", "360", "--seconds", "0"}, "--seconds wants scene seconds above 0, not \"0\""},
        {{"640", "360", "--frames", "0"}, "--frames wants a whole number from 1, not \"0\""},
        {{"640", "360", "--frames", "5", "--seconds", "2"}, "--seconds and --frames both say when to stop; give one"},
        {{"640", "360", "--fixed-dt", "inf"}, "--fixed-dt wants seconds per frame in (0, 1], not \"inf\""},
        {{"640", "360", "--view", "flare"},
         "--view wants final, scene, normals, focus, depth, occlusion, lens-flare or depth-of-field (or several, "
         "with commas), not \"flare\""},
        {{"640", "360", "--out"}, "--out wants a value"},
        {{"640", "360", "--fullscreen", "1"}, "unknown argument: --fullscreen"},
    };
    for (const Case& c : cases) {
        HeadlessOptions options;
        std::string error;
        EXPECT_FALSE(parseHeadlessOptions(c.args, options, error)) << c.message;
        EXPECT_EQ(error, c.message);
    }
}

// Each limit binds its own dimension: the texture and renderbuffer sizes both ways, the viewport
// its width and height apart; the first limit exceeded is named, in the order they are checked.
TEST(TargetLimitsTest, NamesTheFirstLimitASizeExceeds)
{
    const TargetLimits limits{8192, 4096, 16384, 2048};
    const struct {
        int width, height;
        const char* problem;
    } cases[] = {
        {2048, 2048, ""},
        {1, 1, ""},
        {8193, 1, "the width is over GL_MAX_TEXTURE_SIZE (8192)"},
        {1, 8193, "the height is over GL_MAX_TEXTURE_SIZE (8192)"},
        {kMaxOutputSize, kMaxOutputSize, "the width is over GL_MAX_TEXTURE_SIZE (8192)"},
        {4097, 100, "the width is over GL_MAX_RENDERBUFFER_SIZE (4096)"},
        {100, 4097, "the height is over GL_MAX_RENDERBUFFER_SIZE (4096)"},
        {4096, 2049, "the height is over GL_MAX_VIEWPORT_DIMS (2048)"},
        {4096, 2048, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sizeOverLimits(limits, c.width, c.height), c.problem) << c.width << " x " << c.height;
    EXPECT_EQ(sizeOverLimits(TargetLimits{16384, 16384, 4000, 16384}, 4001, 16),
              "the width is over GL_MAX_VIEWPORT_DIMS (4000)");
}

TEST(BenchJsonTest, NestingSeparatorsAndEscapes)
{
    JsonWriter json;
    json.beginObject()
        .number("frames", 300)
        .string("gl", "llvmpipe \"LLVM\" \\ 15\n")
        .beginArray("steps")
        .beginObject()
        .number("ms", 1.5)
        .endObject()
        .beginObject()
        .number("ms", 0.25)
        .endObject()
        .endArray()
        .endObject();
    EXPECT_EQ(json.str(), "{\"frames\":300,\"gl\":\"llvmpipe \\\"LLVM\\\" \\\\ 15\\u000a\","
                          "\"steps\":[{\"ms\":1.5},{\"ms\":0.25}]}");
}

TEST(BenchJsonTest, FiguresWithoutSamplesAreNullSoTheFileStillParses)
{
    JsonWriter json;
    json.beginObject()
        .number("median", std::numeric_limits<double>::quiet_NaN())
        .number("ratio", std::numeric_limits<double>::infinity())
        .endObject();
    EXPECT_EQ(json.str(), "{\"median\":null,\"ratio\":null}");
}
