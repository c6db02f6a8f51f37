// Shader logs as data: a driver's info log parsed into located entries (Mesa's, NVIDIA's and
// AMD's/Intel's forms), where an entry's column falls in the source as written, and the numbered
// lines of a source around a line. Pure text work: reads its arguments, writes nothing.
#pragma once

#include <string>
#include <vector>

struct ShaderLogEntry {
    int sourceIndex = 0;  // the source string the driver counts in (0: the one text of the stage)
    int line = 0;         // 1-based, as the log gives it
    int column = -1;      // 1-based, as the log gives it; -1 where the log gives none
    std::string severity; // "error" or "warning"
    std::string message;
    bool preprocessor = false;  // Mesa's "preprocessor error": its column counts the line as written
};

struct ShaderLog {
    std::vector<ShaderLogEntry> entries;
    std::vector<std::string> unparsed;  // the non-blank lines of no known form, in order
    size_t omitted = 0;                 // lines beyond the caps on entries and unparsed lines
};

// Parses every line of the log; blank lines are skipped. Keeps at most kMaxLogEntries entries
// and as many unparsed lines, and counts the rest in omitted.
constexpr size_t kMaxLogEntries = 1000;
ShaderLog parseShaderLog(const std::string& log);

// A place in a source text: its 1-based line and the byte offset in that line (-1: none).
struct SourcePosition {
    int line = 0;
    int offset = -1;
};

// The character the entry's column marks in the source it was compiled from. The line is the
// entry's, or a later one where the marked token follows a comment that spans lines or a line
// continuation. No offset where the entry has no column or its line is not in the source; a
// column past the line's end marks the line's end.
SourcePosition locateInSource(const std::string& source, const ShaderLogEntry& entry);

constexpr int kTabWidth = 4;

struct ExcerptLine {
    int number = 0;    // 1-based line number in the source
    std::string text;  // without its line end, tabs expanded to stops every kTabWidth characters
};

struct SourceExcerpt {
    std::vector<ExcerptLine> lines;
    int markedLine = 0;   // the asked line's number, 0 where the source has no such line
    int markOffset = -1;  // byte offset in the marked line's text of the character to mark, -1: none
};

// The lines from line - context to line + context that the source has (a line past the end
// shows the last lines within that reach, line 0 or less shows none), and the marker for the
// byte offset in the asked line as written: tabs before it widen it as they widen the text, an
// offset past the end marks the end of the line, a negative one marks nothing. CRLF line ends
// are line ends.
SourceExcerpt sourceExcerpt(const std::string& source, int line, int context, int offset = -1);
