#include "platform/text_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return out;
}

}  // namespace

bool ConvertToUtf8(std::string_view bytes, const std::string& encoding, std::string& out, std::string* why) {
    const std::string name = Lower(encoding);
    const bool shiftJis = name == "shift_jis" || name == "shift-jis" || name == "sjis" || name == "x-sjis" ||
                          name == "ms_kanji" || name == "windows-31j" || name == "csshiftjis";
    const iconv_t cd = iconv_open("UTF-8", shiftJis ? "CP932" : encoding.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (why) *why = "unknown encoding '" + encoding + "'";
        return false;
    }
    out.assign(bytes.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    std::size_t done = 0;
    bool ok = true;
    while (inLeft > 0) {
        char* to = out.data() + done;
        std::size_t outLeft = out.size() - done;
        const std::size_t r = iconv(cd, &in, &inLeft, &to, &outLeft);
        done = out.size() - outLeft;
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        if (why) *why = "not valid " + encoding + " text at byte " + std::to_string(bytes.size() - inLeft);
        ok = false;
        break;
    }
    iconv_close(cd);
    out.resize(ok ? done : 0);
    return ok;
}
