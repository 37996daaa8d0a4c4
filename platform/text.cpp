#include "platform/text.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>

#include "platform/cp932.h"

namespace {
// Length of the character starting at text[i]: 2 for a complete code page
// 932 double-byte character, else 1.
std::size_t CharLength(std::string_view text, std::size_t i, bool cp932) {
    if (!cp932 || i + 1 >= text.size()) return 1;
    const auto lead = static_cast<unsigned char>(text[i]);
    const auto trail = static_cast<unsigned char>(text[i + 1]);
    return IsCp932LeadByte(lead) && IsCp932TrailByte(trail) ? 2 : 1;
}
}  // namespace

std::string_view Tokenizer::Next(std::string_view delimiters) {
    const std::size_t start = rest_.find_first_not_of(delimiters);
    if (start == std::string_view::npos) {
        rest_ = {};
        return {};
    }
    rest_.remove_prefix(start);
    std::size_t end = std::string_view::npos;
    if (!cp932_) {
        end = rest_.find_first_of(delimiters);
    } else {
        for (std::size_t i = 0; i < rest_.size();) {
            const std::size_t len = CharLength(rest_, i, true);
            if (len == 1 && delimiters.find(rest_[i]) != std::string_view::npos) {
                end = i;
                break;
            }
            i += len;
        }
    }
    std::string_view token = rest_.substr(0, end);
    rest_ = end == std::string_view::npos ? std::string_view{} : rest_.substr(end + 1);
    return token;
}

bool LineReader::Read(std::size_t maxBytes, std::string& line) {
    line.clear();
    if (pos_ >= data_.size() || maxBytes < 2) return false;
    const std::size_t limit = maxBytes - 1;
    std::size_t i = pos_;
    while (i < data_.size() && line.size() < limit) {
        // Copy the run up to the next CR or LF in one go.
        const std::size_t room = limit - line.size();
        const std::size_t window = std::min(room, data_.size() - i);
        std::size_t j = i;
        while (j < i + window && data_[j] != '\n' && data_[j] != '\r') ++j;
        line.append(data_.data() + i, j - i);
        i = j;
        if (i >= data_.size() || line.size() >= limit) break;
        if (data_[i] == '\n') {
            line += '\n';
            ++i;
            break;
        }
        // A CR: CR LF reads as LF, a lone CR is an ordinary character.
        if (i + 1 < data_.size() && data_[i + 1] == '\n') {
            line += '\n';
            i += 2;
            break;
        }
        line += '\r';
        ++i;
    }
    pos_ = i;
    return true;
}

bool LineReader::ReadCp932(std::size_t maxChars, std::string& line) {
    line.clear();
    if (pos_ >= data_.size() || maxChars < 2) return false;
    std::size_t chars = maxChars - 1;
    std::size_t i = pos_;
    std::size_t j = i;
    bool newline = false;
    while (j < data_.size() && chars > 0) {
        const char c = data_[j];
        if (c == '\n' || (c == '\r' && j + 1 < data_.size() && data_[j + 1] == '\n')) {
            newline = true;
            break;
        }
        j += CharLength(data_, j, true);
        --chars;
    }
    line.assign(data_.data() + i, j - i);
    if (newline) {
        line += '\n';
        j += data_[j] == '\r' ? 2 : 1;
    }
    pos_ = j;
    return true;
}

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view SkipBlanks(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    return s.substr(i);
}
}  // namespace

int ParseInt(std::string_view s) {
    s = SkipBlanks(s);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    long long value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

double ParseDouble(std::string_view s) {
    s = SkipBlanks(s);
    bool negative = false;
    if (!s.empty() && s[0] == '+') {
        s.remove_prefix(1);
    } else if (!s.empty() && s[0] == '-') {
        negative = true;
        s.remove_prefix(1);
    }
    if (s.empty() || s[0] == '-' || s[0] == '+') return 0.0;
    double value = 0.0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone on overflow/underflow; atof gives
        // HUGE_VAL or a denormal/zero. Decide by the exponent's sign.
        bool tiny = false;
        for (const char* p = s.data(); p < r.ptr; ++p)
            if ((*p == 'e' || *p == 'E') && p + 1 < r.ptr && p[1] == '-') tiny = true;
        value = tiny ? 0.0 : HUGE_VAL;
    } else if (r.ec != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

void AppendInt(std::string& out, long long value) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

void AppendFixed6(std::string& out, double value) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
    if (r.ec == std::errc()) {
        out.append(buf, r.ptr);
    } else {
        out += value != value ? "nan" : (value < 0 ? "-inf" : "inf");
    }
}

std::string ToCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string_view LineName(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

std::string_view TagName(std::string_view line) {
    const std::size_t close = line.find('>');
    return close == std::string_view::npos ? std::string_view() : LineName(line.substr(close + 1));
}
