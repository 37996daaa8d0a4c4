// vorland-cli convert IN OUT | IN... --out-dir DIR: writes .mdl and .ani.
#include <cstdio>
#include <string>
#include <vector>

#include "model/ani_file.h"
#include "model/mdl_file.h"
#include "platform/file_io.h"
#include "tools/cli/model_file.h"
#include "tools/cli/paths.h"
#include "tools/cli/verbs.h"

namespace {

// Writes `in` as `out`.mdl and `out`.ani; false after printing why.
bool ConvertOne(const std::string& in, const std::string& out) {
    const std::unique_ptr<CModel> loaded = LoadModelFile(in);
    if (!loaded) return false;
    const CModel& model = *loaded;
    // All files or none: the images, the .mdl and the .ani replace the old
    // ones only once every one of them is complete.
    const auto modelFiles = ModelFiles(model, out + ".mdl");
    std::string ani;
    std::vector<FileWrite> files;
    for (const auto& [path, bytes] : modelFiles) files.push_back({path, bytes});
    // The animation ID is the output's base name.
    if (SerializeAnimation(model, NameFromPath(BaseName(out)), ani)) files.push_back({out + ".ani", ani});
    if (const WriteResult written = WriteFilesAtomically(files); !written) {
        std::fprintf(stderr, "vorland-cli: cannot write %s: %s\n", written.failedPath.c_str(),
                     written.status.Why().c_str());
        return false;
    }
    return true;
}

// OUT.mdl names the same files as OUT.
std::string WithoutMdl(const std::string& out) {
    const std::string ext = ".mdl";
    const bool hasExt = out.size() > ext.size() && out.compare(out.size() - ext.size(), ext.size(), ext) == 0;
    return hasExt ? out.substr(0, out.size() - ext.size()) : out;
}

}  // namespace

int RunConvert(const ConvertOptions& options) {
    if (options.outDir.empty()) return ConvertOne(options.inputs.front(), WithoutMdl(options.output)) ? kExitOk : kExitFailed;
    // Several inputs: each failure is reported and the rest still converted.
    const std::string dir = options.outDir.back() == '/' ? options.outDir : options.outDir + "/";
    int failed = 0;
    for (const std::string& in : options.inputs) failed += ConvertOne(in, dir + Stem(in)) ? 0 : 1;
    return failed == 0 ? kExitOk : kExitFailed;
}
