// Shader logs as data: the three drivers' line forms and the lines of none, the caps on a huge
// log, where Mesa's columns fall in the source as written (the cases observed on llvmpipe), and
// the numbered excerpt around a line.
#include "resources/shader_log.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

// An entry as "source line column severity[ preprocessor]: message".
std::string described(const ShaderLogEntry& e)
{
    return std::to_string(e.sourceIndex) + " " + std::to_string(e.line) + " " + std::to_string(e.column) + " " +
           e.severity + (e.preprocessor ? " preprocessor" : "") + ": " + e.message;
}

TEST(ShaderLogTest, ParsesTheDriversFormsAndKeepsTheRestInOrder)
{
    const std::pair<const char*, const char*> cases[] = {  // a line, and its entry or "" to stay unparsed
        {"0:12(5): error: `x' undeclared", "0 12 5 error: `x' undeclared"},
        {"0:3(10): warning: extension `GL_foo' unsupported", "0 3 10 warning: extension `GL_foo' unsupported"},
        {"0:3(1): preprocessor error: #error stop", "0 3 1 error preprocessor: #error stop"},
        {"1:7(2): error: after a CRLF\r", "1 7 2 error: after a CRLF"},
        {"0(12) : error C0000: syntax error, unexpected '}'", "0 12 -1 error: C0000: syntax error, unexpected '}'"},
        {"0(4) : warning C7022: unrecognized profile", "0 4 -1 warning: C7022: unrecognized profile"},
        {"ERROR: 0:12: 'x' : undeclared identifier", "0 12 -1 error: 'x' : undeclared identifier"},
        {"WARNING: 2:3: extension not supported", "2 3 -1 warning: extension not supported"},
        {"", ""}, {"0:abc: error", ""}, {"ERROR: 0:", ""}, {"random text", ""},
        {"0:99999999999999999999(1): error: x", ""}, {"0(2) : fatal C0001: no such severity", ""},
        {"ERROR: 2 compilation errors.  No code generated.", ""},
    };
    std::string log;
    std::vector<std::string> entries, unparsed;
    for (const auto& [line, entry] : cases) {
        log += std::string(line) + "\n";
        if (*entry)
            entries.push_back(entry);
        else if (*line)
            unparsed.push_back(line);
    }
    const ShaderLog parsed = parseShaderLog(log + std::string(2, '\0'));
    std::vector<std::string> read;
    for (const ShaderLogEntry& entry : parsed.entries)
        read.push_back(described(entry));
    EXPECT_EQ(read, entries);
    EXPECT_EQ(parsed.unparsed, unparsed);
    EXPECT_EQ(parsed.omitted, 0u);
}

TEST(ShaderLogTest, HugeLogKeepsTheFirstEntriesAndLinesAndCountsTheRest)
{
    std::string log;
    for (int i = 1; i <= 3000; ++i)
        log += "0:" + std::to_string(i) + "(1): error: x\nnoise\n";
    const ShaderLog parsed = parseShaderLog(log);
    ASSERT_EQ(parsed.entries.size(), kMaxLogEntries);
    EXPECT_EQ(parsed.entries.back().line, int(kMaxLogEntries));
    EXPECT_EQ(parsed.unparsed.size(), kMaxLogEntries);
    EXPECT_EQ(parsed.omitted, 6000 - 2 * kMaxLogEntries);
}

TEST(ShaderLogTest, MesaColumnsMarkTheCharacterAsWritten)
{
    const std::string source = "#version 150\n"
                               "void main() { colour = vec4(1.0) }\n"
                               "    colour = undefinedThing;\n"
                               "\t\tcolour = /* c */ undefinedThing;\n"
                               "   #extension   GL_foo : warn\n"
                               "    colour = vec4(1.0); /* a\n"
                               "  long */  colour = undefinedThing;\n"
                               "    colour = vec4(1.0, \\\n"
                               "   2.0); colour = undefinedThing;\n"
                               "   #error   stop here\n"
                               "x = 1;\n";
    struct Case {
        int line, column;
        bool preprocessor;
        std::pair<int, int> expected;  // line, offset
    };
    const Case cases[] = {
        {2, 34, false, {2, 33}}, {3, 11, false, {3, 13}}, {4, 11, false, {4, 19}}, {5, 14, false, {5, 16}},
        {6, 31, false, {7, 20}}, {8, 36, false, {9, 18}}, {10, 4, true, {10, 3}},  {11, 50, false, {11, 6}},
        {12, 5, false, {12, -1}}, {3, -1, false, {3, -1}}, {0, 1, false, {0, -1}},
    };
    for (const Case& c : cases) {
        const SourcePosition at = locateInSource(source, ShaderLogEntry{0, c.line, c.column, "error", "", c.preprocessor});
        EXPECT_EQ(std::make_pair(at.line, at.offset), c.expected) << c.line << "(" << c.column << ")";
    }
}

TEST(ShaderLogTest, ExcerptClampsAtTheEndsAndMarksTheExpandedColumn)
{
    const std::string source = "one\r\ntwo\n\tthree\nfour\nfive";
    struct Case {
        int line, context, offset;
        const char* lines;  // number:text|...
        std::pair<int, int> mark;  // line, offset
    };
    const Case cases[] = {
        {1, 2, 0, "1:one|2:two|3:    three", {1, 0}}, {3, 1, 1, "2:two|3:    three|4:four", {3, 4}},
        {5, 2, 99, "3:    three|4:four|5:five", {5, 4}}, {2, 0, -1, "2:two", {2, -1}},
        {6, 2, 0, "4:four|5:five", {0, -1}}, {9, 2, 0, "", {0, -1}}, {0, 2, 0, "", {0, -1}},
    };
    for (const Case& c : cases) {
        const SourceExcerpt excerpt = sourceExcerpt(source, c.line, c.context, c.offset);
        std::string lines;
        for (const ExcerptLine& line : excerpt.lines)
            lines += (lines.empty() ? "" : "|") + std::to_string(line.number) + ":" + line.text;
        EXPECT_EQ(lines, c.lines) << c.line;
        EXPECT_EQ(std::make_pair(excerpt.markedLine, excerpt.markOffset), c.mark) << c.line;
    }
    EXPECT_TRUE(sourceExcerpt("", 1, 2, 0).lines.empty());
}

}  // namespace
