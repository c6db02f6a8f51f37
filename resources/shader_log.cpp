// Shader logs as data: reads a driver's info log line by line into entries, finds the source
// character an entry's column means, and cuts numbered excerpts out of a source text. Reads
// only its arguments and writes only its results.
#include "resources/shader_log.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

namespace {
constexpr size_t npos = std::string::npos;

// One log line read from the front; every read skips the spaces and tabs before what it reads,
// so "0(12) : error" and "0:12(5): error" read alike.
struct LineReader {
    const std::string& text;
    size_t at = 0;

    void skipSpaces()
    {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
            ++at;
    }
    bool punctuation(char c)
    {
        skipSpaces();
        if (at >= text.size() || text[at] != c)
            return false;
        ++at;
        return true;
    }
    // Decimal digits whose value fits an int.
    bool number(int& value)
    {
        skipSpaces();
        const size_t begin = at;
        long long read = 0;
        for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
            read = read * 10 + (text[at] - '0');
            if (read > INT_MAX)
                return false;
        }
        value = static_cast<int>(read);
        return at > begin;
    }
    // The word in any case.
    bool word(const char* expected)
    {
        skipSpaces();
        const size_t length = std::strlen(expected);
        if (text.size() - at < length)
            return false;
        for (size_t i = 0; i < length; ++i)
            if (std::tolower(static_cast<unsigned char>(text[at + i])) != expected[i])
                return false;
        at += length;
        return true;
    }
    std::string rest()
    {
        skipSpaces();
        return text.substr(at);
    }
};

// "error", "warning", or either after Mesa's "preprocessor".
bool readSeverity(LineReader& reader, ShaderLogEntry& entry)
{
    entry.preprocessor = reader.word("preprocessor");
    if (reader.word("error"))
        entry.severity = "error";
    else if (reader.word("warning"))
        entry.severity = "warning";
    return !entry.severity.empty();
}

// AMD and Intel: "ERROR: 0:12: message", "WARNING: 0:3: message".
bool readSeverityFirst(const std::string& line, ShaderLogEntry& entry)
{
    LineReader reader{line};
    if (!readSeverity(reader, entry) || entry.preprocessor || !reader.punctuation(':') ||
        !reader.number(entry.sourceIndex) || !reader.punctuation(':') || !reader.number(entry.line) ||
        !reader.punctuation(':'))
        return false;
    entry.message = reader.rest();
    return true;
}

// Mesa: "0:12(5): error: message"; NVIDIA: "0(12) : error C0000: message", whose code stays at
// the front of the message.
bool readPlaceFirst(const std::string& line, ShaderLogEntry& entry)
{
    LineReader reader{line};
    if (!reader.number(entry.sourceIndex))
        return false;
    const bool mesa = reader.punctuation(':');
    if (mesa ? !(reader.number(entry.line) && reader.punctuation('(') && reader.number(entry.column))
             : !(reader.punctuation('(') && reader.number(entry.line)))
        return false;
    if (!reader.punctuation(')') || !reader.punctuation(':') || !readSeverity(reader, entry))
        return false;
    std::string code;
    if (!mesa) {
        reader.skipSpaces();
        const size_t from = reader.at;
        int number = 0;
        if (reader.word("c") && reader.number(number))
            code = line.substr(from, reader.at - from) + ": ";
        else
            reader.at = from;
    }
    if (!reader.punctuation(':'))
        return false;
    entry.message = code + reader.rest();
    return true;
}

bool readEntry(const std::string& line, ShaderLogEntry& entry)
{
    if (readSeverityFirst(line, entry))
        return true;
    entry = ShaderLogEntry();
    return readPlaceFirst(line, entry);
}

// The line without the spaces, carriage returns and NUL bytes drivers leave around it.
std::string trimmed(const std::string& text, size_t begin, size_t end)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\0'; };
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// The byte where the 1-based line starts; npos where the source has no such line (a final line
// end ends the last line, it starts none).
size_t lineStart(const std::string& source, int line)
{
    if (line < 1)
        return npos;
    size_t at = 0;
    for (int n = 1; n < line && at != npos; ++n) {
        at = source.find('\n', at);
        at = at == npos ? npos : at + 1;
    }
    return at < source.size() ? at : npos;
}

size_t lineEnd(const std::string& source, size_t from)
{
    const size_t end = source.find('\n', from);
    return end == npos ? source.size() : end;
}

// A line continuation at i: a backslash right before a line end.
size_t continuationLength(const std::string& source, size_t i)
{
    if (source.compare(i, 2, "\\\n") == 0)
        return 2;
    return source.compare(i, 3, "\\\r\n") == 0 ? 3 : 0;
}

// Walks the text Mesa's compiler counts columns over (see locateInSource) from the start of a
// line, keeping the line and its first byte up to date as it crosses line ends.
struct CollapsedWalk {
    const std::string& source;
    size_t at;
    SourcePosition position;
    size_t lineBegin;

    void crossLineEnd(size_t lineEndAt)
    {
        ++position.line;
        lineBegin = lineEndAt + 1;
    }
    // Skips one run of spaces, tabs, comments and continuations; true when it held anything but
    // continuations, which join lines and count for nothing.
    bool skipBlanks()
    {
        bool blank = false;
        while (at < source.size()) {
            const char c = source[at];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++at;
                blank = true;
            } else if (const size_t length = continuationLength(source, at)) {
                at += length;
                crossLineEnd(at - 1);
            } else if (source.compare(at, 2, "//") == 0) {
                at = lineEnd(source, at);
                blank = true;
            } else if (source.compare(at, 2, "/*") == 0) {
                const size_t close = source.find("*/", at + 2);
                const size_t end = close == npos ? source.size() : close + 2;
                for (size_t i = at; i < end; ++i)
                    if (source[i] == '\n')
                        crossLineEnd(i);
                at = end;
                blank = true;
            } else {
                break;
            }
        }
        return blank;
    }
    // Moves to the byte at the 1-based column, or to the end of the line it ran out on.
    void toColumn(int column)
    {
        for (int counted = 1;; ++counted, ++at) {
            if (skipBlanks() && counted++ == column)
                break;
            if (at >= source.size() || source[at] == '\n' || counted == column)
                break;
        }
        position.offset = static_cast<int>(at - lineBegin);
    }
};

// The byte count bytes after from, but not past the end of its line.
int offsetWithinLine(const std::string& source, size_t begin, size_t from, int count)
{
    return static_cast<int>(std::min(from + static_cast<size_t>(count), lineEnd(source, begin)) - begin);
}

// The line with tabs expanded; where the byte at offset (or the line's end, for an offset past
// it) lands in the expanded text goes to mark.
std::string expandTabs(const std::string& line, int offset, int& mark)
{
    std::string text;
    for (size_t i = 0; i < line.size(); ++i) {
        if (offset >= 0 && i == static_cast<size_t>(offset))
            mark = static_cast<int>(text.size());
        if (line[i] == '\t')
            text.append(kTabWidth - text.size() % kTabWidth, ' ');
        else
            text += line[i];
    }
    if (offset >= 0 && static_cast<size_t>(offset) >= line.size())
        mark = static_cast<int>(text.size());
    return text;
}
}  // namespace

ShaderLog parseShaderLog(const std::string& log)
{
    ShaderLog parsed;
    for (size_t begin = 0; begin < log.size();) {
        const size_t end = lineEnd(log, begin);
        const std::string line = trimmed(log, begin, end);
        begin = end + 1;
        if (line.empty())
            continue;
        ShaderLogEntry entry;
        const bool read = readEntry(line, entry);
        if (read && parsed.entries.size() < kMaxLogEntries)
            parsed.entries.push_back(std::move(entry));
        else if (!read && parsed.unparsed.size() < kMaxLogEntries)
            parsed.unparsed.push_back(line);
        else
            ++parsed.omitted;
    }
    return parsed;
}

// Only Mesa's form has columns. What they count was found by compiling broken shaders on
// llvmpipe (Mesa 22.3): bytes, from 1, over the line as Mesa's preprocessor hands it on, where
//  - every run of spaces, tabs and comments, the indentation included, is one character, and a
//    line continuation none ("    x = y;" and "\t\tx  =  y;" both have y at column 6);
//  - a comment or continuation that spans lines joins them: the tokens after it keep the line
//    the comment began on and go on counting from there;
//  - a directive line loses its indentation and keeps the rest as written;
//  - the preprocessor's own messages ("preprocessor error") count the line as written;
//  - macros count as expanded, so after a macro whose name and text differ in length the mark
//    is off by that difference; telling would take a preprocessor of our own.
SourcePosition locateInSource(const std::string& source, const ShaderLogEntry& entry)
{
    const size_t begin = lineStart(source, entry.line);
    if (begin == npos || entry.column < 1)
        return {entry.line, -1};
    if (entry.preprocessor)
        return {entry.line, offsetWithinLine(source, begin, begin, entry.column - 1)};
    size_t first = begin;
    while (first < source.size() && (source[first] == ' ' || source[first] == '\t'))
        ++first;
    if (first < source.size() && source[first] == '#')
        return {entry.line, offsetWithinLine(source, begin, first, entry.column - 1)};
    CollapsedWalk walk{source, begin, {entry.line, -1}, begin};
    walk.toColumn(entry.column);
    return walk.position;
}

SourceExcerpt sourceExcerpt(const std::string& source, int line, int context, int offset)
{
    SourceExcerpt excerpt;
    if (line < 1)
        return excerpt;
    const long long first = std::max(1LL, static_cast<long long>(line) - std::max(context, 0));
    const long long last = static_cast<long long>(line) + std::max(context, 0);
    long long number = 1;
    for (size_t begin = 0; begin < source.size() && number <= last; ++number) {
        const size_t end = lineEnd(source, begin);
        if (number >= first) {
            std::string text = source.substr(begin, end - begin);
            if (!text.empty() && text.back() == '\r')
                text.pop_back();
            int mark = -1;
            excerpt.lines.push_back({static_cast<int>(number), expandTabs(text, number == line ? offset : -1, mark)});
            if (number == line) {
                excerpt.markedLine = line;
                excerpt.markOffset = mark;
            }
        }
        begin = end + 1;
    }
    return excerpt;
}
