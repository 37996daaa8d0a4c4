// vorland-cli convert IN OUT | IN... --out-dir DIR [--jobs N]: writes .mdl and .ani.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "model/ani_file.h"
#include "model/mdl_file.h"
#include "platform/file_io.h"
#include "tools/cli/model_file.h"
#include "tools/cli/paths.h"
#include "tools/cli/verbs.h"

namespace {

// Writes `in` as `out`.mdl and `out`.ani; false when it failed. What is to
// be said goes into `lines` (whole lines for stderr).
bool ConvertOne(const std::string& in, const std::string& out, std::string& lines) {
    OpenedModel opened = OpenModelFile(in);
    for (const std::string& note : opened.notes) lines += "vorland-cli: note: " + note + "\n";
    if (!opened.status) lines += "vorland-cli: " + opened.status.Why() + "\n";
    if (!opened.model) return false;
    const CModel& model = *opened.model;
    // All files or none: the images, the .mdl and the .ani replace the old
    // ones only once every one of them is complete.
    const auto modelFiles = ModelFiles(model, out + ".mdl");
    std::string ani;
    std::vector<FileWrite> files;
    for (const auto& [path, bytes] : modelFiles) files.push_back({path, bytes});
    // The animation ID is the output's base name.
    if (SerializeAnimation(model, NameFromPath(BaseName(out)), ani)) files.push_back({out + ".ani", ani});
    if (const WriteResult written = WriteFilesAtomically(files); !written) {
        lines += "vorland-cli: cannot write " + written.failedPath + ": " + written.status.Why() + "\n";
        return false;
    }
    return true;
}

// Prints each input's lines in the order of the inputs, as soon as every
// input before it is done, so the report reads as one at a time.
class OrderedReport {
public:
    explicit OrderedReport(std::size_t count) : lines_(count), done_(count, false) {}
    void Finish(std::size_t i, std::string lines) {
        const std::lock_guard<std::mutex> lock(mutex_);
        lines_[i] = std::move(lines);
        done_[i] = true;
        for (; next_ < done_.size() && done_[next_]; ++next_) std::fputs(lines_[next_].c_str(), stderr);
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
    std::vector<bool> done_;
    std::size_t next_ = 0;
};

// Converts every input into `dir`, `jobs` at a time. Inputs with the same
// stem write the same files: they run one after the other in one job, so the
// last one's files remain, as when converted one at a time.
int ConvertInto(const std::vector<std::string>& inputs, const std::string& dir, int jobs) {
    std::vector<std::vector<std::size_t>> groups;
    std::map<std::string, std::size_t> groupOfStem;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const auto [at, added] = groupOfStem.emplace(Stem(inputs[i]), groups.size());
        if (added) groups.emplace_back();
        groups[at->second].push_back(i);
    }
    OrderedReport report(inputs.size());
    std::atomic<std::size_t> next{0};
    std::atomic<int> failed{0};
    const auto work = [&] {
        for (std::size_t g; (g = next.fetch_add(1)) < groups.size();)
            for (const std::size_t i : groups[g]) {
                std::string lines;
                if (!ConvertOne(inputs[i], dir + Stem(inputs[i]), lines)) failed.fetch_add(1);
                report.Finish(i, std::move(lines));
            }
    };
    const std::size_t threads = std::min<std::size_t>(static_cast<std::size_t>(std::max(1, jobs)), groups.size());
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // no more threads to be had: the ones running share the rest
        }
    }
    work();
    for (std::thread& t : helpers) t.join();
    return failed.load() == 0 ? kExitOk : kExitFailed;
}

// OUT.mdl names the same files as OUT.
std::string WithoutMdl(const std::string& out) {
    const std::string ext = ".mdl";
    const bool hasExt = out.size() > ext.size() && out.compare(out.size() - ext.size(), ext.size(), ext) == 0;
    return hasExt ? out.substr(0, out.size() - ext.size()) : out;
}

}  // namespace

int RunConvert(const ConvertOptions& options) {
    if (options.outDir.empty()) {
        std::string lines;
        const bool converted = ConvertOne(options.inputs.front(), WithoutMdl(options.output), lines);
        std::fputs(lines.c_str(), stderr);
        return converted ? kExitOk : kExitFailed;
    }
    // As mkdir -p: the folder and any missing folders above it.
    std::error_code ec;
    std::filesystem::create_directories(options.outDir, ec);
    if (ec || !std::filesystem::is_directory(options.outDir, ec)) {
        std::fprintf(stderr, "vorland-cli: cannot make the folder %s: %s\n", options.outDir.c_str(),
                     ec ? ec.message().c_str() : "a file of that name is in the way");
        return kExitFailed;
    }
    // Several inputs: each failure is reported and the rest still converted.
    const std::string dir = options.outDir.back() == '/' ? options.outDir : options.outDir + "/";
    const int jobs =
        options.jobs > 0 ? options.jobs : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return ConvertInto(options.inputs, dir, jobs);
}
