#include "tools/cli/paths.h"

#include "platform/cp932.h"

CName NameFromPath(const std::string& bytes) { return CName(Utf8ToUtf16(bytes)); }

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string LowerExtension(const std::string& path) {
    const std::string base = BaseName(path);
    const auto dot = base.find_last_of('.');
    if (dot == std::string::npos) return {};
    std::string ext = base.substr(dot);
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext;
}

std::string Stem(const std::string& path) {
    const std::string base = BaseName(path);
    const auto dot = base.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}
