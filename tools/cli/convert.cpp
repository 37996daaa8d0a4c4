// vorland-cli convert IN.dae OUT: writes OUT.mdl and OUT.ani.
#include <cstdio>
#include <string>
#include <vector>

#include "collada/collada.h"
#include "model/ani_file.h"
#include "model/mdl_file.h"
#include "tools/cli/verbs.h"

int RunConvert(const Args& args) {
    if (args.size() != 2) {
        std::fputs("usage: vorland-cli convert IN.dae OUT\n", stderr);
        return 2;
    }
    const std::string& in = args[0];
    const std::string& out = args[1];
    CModel model;
    CName ext;
    ext.SetAscii(in.size() >= 4 ? in.substr(in.size() - 4) : std::string(".dae"));
    std::string error;
    std::vector<std::string> notes;
    if (!LoadCollada(model, in, ext, &error, &notes)) {
        std::fprintf(stderr, "vorland-cli: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& note : notes) std::fprintf(stderr, "vorland-cli: note: %s\n", note.c_str());
    if (!WriteModel(model, out + ".mdl")) {
        std::fprintf(stderr, "vorland-cli: cannot write %s.mdl\n", out.c_str());
        return 1;
    }
    if (model.animations.Count() > 0) {
        // The animation ID is the output's base name.
        const auto slash = out.find_last_of('/');
        CName id;
        id.SetFromCp932(slash == std::string::npos ? out : out.substr(slash + 1));
        if (!WriteAnimation(model, id, out + ".ani")) {
            std::fprintf(stderr, "vorland-cli: cannot write %s.ani\n", out.c_str());
            return 1;
        }
    }
    return 0;
}
