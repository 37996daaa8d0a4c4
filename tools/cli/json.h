#pragma once
// A flat JSON object writer for the tool's output.
#include <string>
#include <string_view>

class JsonObject {
public:
    void String(std::string_view key, std::string_view value);
    void Int(std::string_view key, long long value);
    void Number(std::string_view key, double value);
    void Numbers(std::string_view key, const double* values, int count);  // an array
    void Null(std::string_view key);
    std::string Finish() const { return text_ + "}"; }

private:
    void Key(std::string_view key);
    std::string text_ = "{";
};

std::string JsonEscape(std::string_view s);
