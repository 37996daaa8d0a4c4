#include "platform/iconv_run.h"

#include <cerrno>

std::string RunIconv(iconv_t cd, std::string_view in, std::string_view replacement, std::size_t skip,
                     std::size_t* stoppedAt) {
    if (stoppedAt) *stoppedAt = std::string_view::npos;
    std::string out;
    out.resize(in.size() * 2 + 16);
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    std::size_t used = 0;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        char* outPtr = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        used = out.size() - outLeft;
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
        } else if (stoppedAt) {  // EILSEQ or EINVAL (truncated sequence at the end)
            *stoppedAt = in.size() - inLeft;
            break;
        } else {
            if (out.size() - used < replacement.size() + 8) out.resize(out.size() * 2 + replacement.size());
            out.replace(used, replacement.size(), replacement);
            used += replacement.size();
            const std::size_t n = skip < inLeft ? skip : inLeft;
            inPtr += n;
            inLeft -= n;
        }
    }
    out.resize(used);
    return out;
}
