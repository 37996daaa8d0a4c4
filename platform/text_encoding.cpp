#include "platform/text_encoding.h"

#include <iconv.h>

#include <string>

#include "platform/iconv_run.h"

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return out;
}

}  // namespace

Result<std::string> ConvertToUtf8(std::string_view bytes, const std::string& encoding) {
    const std::string name = Lower(encoding);
    const bool shiftJis = name == "shift_jis" || name == "shift-jis" || name == "sjis" || name == "x-sjis" ||
                          name == "ms_kanji" || name == "windows-31j" || name == "csshiftjis";
    const iconv_t cd = iconv_open("UTF-8", shiftJis ? "CP932" : encoding.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return Status::Failure("unknown encoding '" + encoding + "'");
    std::size_t stoppedAt = 0;
    std::string out = RunIconv(cd, bytes, {}, 0, &stoppedAt);
    iconv_close(cd);
    if (stoppedAt == std::string_view::npos) return out;
    return Status::Failure("not valid " + encoding + " text at byte " + std::to_string(stoppedAt));
}
