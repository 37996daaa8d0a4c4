#pragma once
// Text helpers shared by the file readers and writers: strtok-style
// splitting, fgets-style line reading from memory, and number conversion
// with C atoi/atof semantics that never depends on the process locale.
#include <cstddef>
#include <string>
#include <string_view>

// Splits like strtok: runs of delimiter characters separate tokens, and
// leading delimiters are skipped. Each call to Next may use other delimiters.
//
// With `cp932` set, the text is taken as code page 932: the second byte of a
// double-byte character is never a delimiter, even when it has the value of
// one ('[', ']', '\\' and letters occur as trail bytes).
class Tokenizer {
public:
    explicit Tokenizer(std::string_view text, bool cp932 = false) : rest_(text), cp932_(cp932) {}
    // Next token, or an empty view when none is left.
    std::string_view Next(std::string_view delimiters);
    bool AtEnd() const { return rest_.empty(); }

private:
    std::string_view rest_;
    bool cp932_;
};

// Reads lines from an in-memory file like fgets: at most maxBytes - 1 bytes
// per call, up to and excluding the newline. A longer line continues as the
// next read. CR LF and LF line ends both read as one newline; the returned
// view carries the "\n" when the line ended within the limit.
class LineReader {
public:
    explicit LineReader(std::string_view file) : data_(file) {}
    // False at end of file (nothing left to read).
    bool Read(std::size_t maxBytes, std::string& line);
    // Like fgetws over a code page 932 file: at most maxChars - 1 characters,
    // where a double-byte character counts as one. `line` gets their bytes.
    bool ReadCp932(std::size_t maxChars, std::string& line);
    bool AtEnd() const { return pos_ >= data_.size(); }

private:
    std::string_view data_;
    std::size_t pos_ = 0;
};

// atoi: skips leading blanks, accepts a sign, stops at the first non-digit,
// gives 0 for text that is no number. Saturates instead of overflowing.
int ParseInt(std::string_view s);
// atof: the same rules for a decimal floating-point number.
double ParseDouble(std::string_view s);
inline float ParseFloat(std::string_view s) { return static_cast<float>(ParseDouble(s)); }

// "%d" and "%.6f" with "." as the decimal point, whatever the locale.
void AppendInt(std::string& out, long long value);
void AppendFixed6(std::string& out, double value);

// Turns every "\n" into "\r\n", as a Windows text-mode stream would.
std::string ToCrLf(std::string_view text);

// Names are whole lines: a name on a line of its own is the line without its
// line end, a name behind a tag ("<BONE_NAME>left arm") is the rest of the
// line after the tag's ">". Blanks and brackets inside a name stay.
std::string_view LineName(std::string_view line);
std::string_view TagName(std::string_view line);
