// The config.ini reader on arbitrary bytes. Writing is a normal form: what
// Serialize stores must read back and serialise to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/settings.h"
#include "fuzz/alloc_bound.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzbound::Install();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    fuzzbound::Scope bound(size, 16, 2);
    CSettings settings;
    if (!settings.Read(bytes)) return 0;  // no text: refused whole
    const std::string written = settings.Serialize();
    CSettings again;
    (void)again.Read(written);
    const std::string rewritten = again.Serialize();
    if (rewritten != written) {
        std::fprintf(stderr, "config.ini is not stable under write, read, write:\n%s\n----\n%s\n", written.c_str(),
                     rewritten.c_str());
        std::abort();
    }
    return 0;
}
