#include "platform/text.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>

std::string_view Tokenizer::Next(std::string_view delimiters) {
    const std::size_t start = rest_.find_first_not_of(delimiters);
    if (start == std::string_view::npos) {
        rest_ = {};
        return {};
    }
    rest_.remove_prefix(start);
    const std::size_t end = rest_.find_first_of(delimiters);
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
        const char c = data_[i];
        if (c == '\n') {
            line += '\n';
            ++i;
            break;
        }
        if (c == '\r' && i + 1 < data_.size() && data_[i + 1] == '\n') {
            ++i;  // CR LF reads as LF
            continue;
        }
        line += c;
        ++i;
    }
    pos_ = i;
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
