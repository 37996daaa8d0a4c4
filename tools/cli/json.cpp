#include "tools/cli/json.h"

#include <cmath>
#include <cstdio>

namespace {

// JSON has no NaN or infinity: such a number is written as null.
void AppendNumber(std::string& text, double value) {
    if (!std::isfinite(value)) {
        text += "null";
        return;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", value);
    text += buf;
}

}  // namespace

std::string JsonEscape(std::string_view s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

void JsonObject::Key(std::string_view key) {
    if (text_.size() > 1) text_ += ", ";
    text_ += JsonEscape(key);
    text_ += ": ";
}

void JsonObject::String(std::string_view key, std::string_view value) {
    Key(key);
    text_ += JsonEscape(value);
}

void JsonObject::Int(std::string_view key, long long value) {
    Key(key);
    text_ += std::to_string(value);
}

void JsonObject::Number(std::string_view key, double value) {
    Key(key);
    AppendNumber(text_, value);
}

void JsonObject::Numbers(std::string_view key, const double* values, int count) {
    Key(key);
    text_ += "[";
    for (int i = 0; i < count; ++i) {
        if (i > 0) text_ += ", ";
        AppendNumber(text_, values[i]);
    }
    text_ += "]";
}

void JsonObject::Null(std::string_view key) {
    Key(key);
    text_ += "null";
}
