#include "tools/cli/model_file.h"

#include <cstdio>

std::unique_ptr<CModel> LoadModelFile(const std::string& path) {
    OpenedModel opened = OpenModelFile(path);
    for (const std::string& note : opened.notes) std::fprintf(stderr, "vorland-cli: note: %s\n", note.c_str());
    if (!opened.status) std::fprintf(stderr, "vorland-cli: %s\n", opened.status.Why().c_str());
    return std::move(opened.model);
}
