// The frame benchmark's command line (sizes, counts and the time step, and the one-line
// messages for arguments it cannot use) and its JSON output, where figures without samples are
// written as null.
#include "bench/frame/json.h"
#include "bench/frame/options.h"

#include <gtest/gtest.h>

#include <limits>

TEST(BenchOptionsTest, ReadsEveryArgument)
{
    BenchOptions options;
    std::string error;
    ASSERT_TRUE(parseBenchOptions({"--frames", "120", "--size", "480x270", "--fixed-dt", "0.0166667", "--png",
                                   "out/a.png", "--json", "out/a.json", "--warmup", "5", "--draw-frames", "7"},
                                  options, error))
        << error;
    EXPECT_EQ(options.frames, 120);
    EXPECT_EQ(options.warmup, 5);
    EXPECT_EQ(options.drawFrames, 7);
    EXPECT_EQ(options.width, 480);
    EXPECT_EQ(options.height, 270);
    EXPECT_DOUBLE_EQ(options.fixedDt, 0.0166667);
    EXPECT_EQ(options.pngPath, "out/a.png");
    EXPECT_EQ(options.jsonPath, "out/a.json");
}

TEST(BenchOptionsTest, SizesOutsideWidthxHeightAreRefused)
{
    int width = 7, height = 9;
    for (const char* bad : {"1280", "1280x", "x720", "0x720", "1280x0", "-1x720", "12a0x720", "1280x720x3",
                            "99999x720", " 1280x720", ""}) {
        EXPECT_FALSE(parseSize(bad, width, height)) << bad;
        EXPECT_EQ(width, 7) << bad;
        EXPECT_EQ(height, 9) << bad;
    }
    EXPECT_TRUE(parseSize("1x1", width, height));
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
    };
    for (const Case& c : cases) {
        BenchOptions options;
        std::string error;
        EXPECT_FALSE(parseBenchOptions(c.args, options, error)) << c.message;
        EXPECT_EQ(error, c.message);
    }
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
