#include "model/ani_file.h"

#include <cstddef>
#include <memory>

#include "model/animation.h"
#include "model/name_index.h"
#include "platform/file_io.h"
#include "platform/text.h"

namespace {

constexpr std::string_view kTagDelimiters = " []<>\n";
constexpr std::string_view kValueDelimiters = " \n";

// Line limits of the reads: tag and ID lines are read as wide text (1023
// characters); the key-time line and the pose lines as bytes.
constexpr std::size_t kTagLineChars = 1024;
constexpr std::size_t kKeyTimeLineBytes = 40000;
constexpr std::size_t kPoseLineBytes = 1024;

// A hostile file cannot make one channel hold more than this many keys or
// matrices (1 GiB of matrices); what lies beyond is read and dropped.
constexpr int kMaxElements = 1 << 24;

bool IsCp932Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsCp932Trail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }
// True when a double-byte character starts at text[i].
bool IsPair(std::string_view text, std::size_t i) {
    return i + 1 < text.size() && IsCp932Lead(static_cast<unsigned char>(text[i])) &&
           IsCp932Trail(static_cast<unsigned char>(text[i + 1]));
}

// Line reads with the limits of fgets (bytes) and fgetws (characters, a
// double-byte character counting once and never split). CR LF reads as LF.
class AniLines {
public:
    explicit AniLines(std::string_view data) : data_(data) {}

    bool ReadBytes(std::size_t maxBytes, std::string& line) { return Read(maxBytes, false, line); }
    bool ReadChars(std::size_t maxChars, std::string& line) { return Read(maxChars, true, line); }

private:
    bool Read(std::size_t max, bool characters, std::string& line) {
        line.clear();
        if (pos_ >= data_.size()) return false;
        const std::size_t limit = max - 1;
        std::size_t units = 0;
        std::size_t i = pos_;
        while (i < data_.size() && units < limit) {
            const char c = data_[i];
            if (c == '\r' && i + 1 < data_.size() && data_[i + 1] == '\n') {
                ++i;
                continue;
            }
            if (c == '\n') {
                line += '\n';
                ++i;
                break;
            }
            if (characters && IsPair(data_, i)) {
                line += c;
                line += data_[i + 1];
                i += 2;
            } else {
                line += c;
                ++i;
            }
            ++units;
        }
        pos_ = i;
        // A NUL ends the C string the original reads worked on.
        const std::size_t nul = line.find('\0');
        if (nul != std::string::npos) line.resize(nul);
        return true;
    }

    std::string_view data_;
    std::size_t pos_ = 0;
};

// strtok over CP932 text: the trail byte of a double-byte character can have
// the value of '[' or ']' and must not split a name.
class Cp932Tokens {
public:
    explicit Cp932Tokens(std::string_view text) : rest_(text) {}

    std::string_view Next(std::string_view delimiters) {
        std::size_t i = 0;
        while (i < rest_.size() && IsDelimiter(rest_[i], delimiters)) ++i;
        if (i == rest_.size()) {
            rest_ = {};
            return {};
        }
        const std::size_t start = i;
        while (i < rest_.size() && !IsDelimiter(rest_[i], delimiters)) {
            i += IsPair(rest_, i) ? 2 : 1;
        }
        const std::string_view token = rest_.substr(start, i - start);
        rest_ = i < rest_.size() ? rest_.substr(i + 1) : std::string_view{};
        return token;
    }

private:
    static bool IsDelimiter(char c, std::string_view delimiters) {
        return delimiters.find(c) != std::string_view::npos;
    }
    std::string_view rest_;
};

std::string_view FirstToken(std::string_view line, std::string_view delimiters) {
    return Cp932Tokens(line).Next(delimiters);
}

void AppendKeyTimes(CAnimationChannel& channel, std::string_view line) {
    Cp932Tokens tokens(line);
    for (std::string_view t = tokens.Next(kValueDelimiters); !t.empty(); t = tokens.Next(kValueDelimiters)) {
        if (channel.keyTimes.Count() >= kMaxElements) return;
        channel.keyTimes.Add(ParseFloat(t));
    }
}

void AppendPoseMatrix(CAnimationChannel& channel, std::string_view line) {
    if (channel.poseMatrices.Count() >= kMaxElements) return;
    CMatrixValue m{};
    Cp932Tokens tokens(line);
    for (int i = 0; i < 16; ++i) {
        const std::string_view t = tokens.Next(kValueDelimiters);
        if (t.empty()) break;  // missing elements stay 0
        m.m[i] = ParseFloat(t);
    }
    channel.poseMatrices.Add(m);
}

void AppendName(std::string& out, const CName& name) { out += name.ToCp932(); }

}  // namespace

bool SerializeAnimation(const CModel& model, const CName& animationId, std::string& out) {
    const CAnimation* animation = model.animations.Get(0);
    if (!animation) return false;
    std::string text;
    text += "[TARGET_MODEL_ID]\n";
    AppendName(text, model.name);
    text += "\n\n[ANIMATION_ID]\n";
    AppendName(text, animationId);
    text += "\n\n/////////////////////////// animation //////////////////////////\n\n";
    for (const CAnimationChannel* channel : animation->channels) {
        text += "<ANIMATION_BEGIN>\n<TARGET>";
        AppendName(text, channel->targetId);
        text += "\n<KEY_TIME>\n";
        for (float t : channel->keyTimes) {
            AppendFixed6(text, t);
            text += ' ';
        }
        text += "\n<POSE_MATRIX>\n";
        for (const CMatrixValue& m : channel->poseMatrices) {
            for (float v : m.m) {
                AppendFixed6(text, v);
                text += ' ';
            }
            text += '\n';
        }
        text += "<POSE_MATRIX_END>\n<ANIMATION_END>\n\n";
    }
    out = ToCrLf(text);
    return true;
}

Status WriteAnimation(const CModel& model, const CName& animationId, const std::string& path) {
    // Nothing to write: leave whatever file is there alone.
    std::string bytes;
    if (!SerializeAnimation(model, animationId, bytes)) return Status::Failure("the model has no animation");
    std::string target = path;
    if (target.size() < 4 || target.compare(target.size() - 4, 4, ".ani") != 0) target += ".ani";
    return WriteFileAtomically(target, bytes);
}

namespace {
bool IsAnimationTag(std::string_view tag) {
    for (std::string_view known :
         {"TARGET_MODEL_ID", "ANIMATION_ID", "ANIMATION_BEGIN", "ANIMATION_END", "TARGET", "KEY_TIME", "POSE_MATRIX"})
        if (tag == known) return true;
    return false;
}
}  // namespace

Status ParseAnimation(CModel& model, std::string_view bytes, bool checkTarget) {
    auto animation = std::make_unique<CAnimation>();
    const CNameIndex<CBone> bonesById(model.bones, &CBone::id);
    std::unique_ptr<CAnimationChannel> channel;  // the one between BEGIN and END
    AniLines lines(bytes);
    std::string line;
    std::string next;
    bool recognised = false;

    while (lines.ReadChars(kTagLineChars, line)) {
        Cp932Tokens tokens(line);
        const std::string_view tag = tokens.Next(kTagDelimiters);
        if (tag.empty()) continue;
        recognised = recognised || IsAnimationTag(tag);

        if (tag == "TARGET_MODEL_ID") {
            lines.ReadChars(kTagLineChars, next);
            if (!checkTarget) continue;
            CName target;
            target.SetFromCp932(LineName(next));
            if (!(target == model.name)) return Status::Failure("not an animation of the model " + model.name.ToUtf8());
        } else if (tag == "ANIMATION_ID") {
            lines.ReadChars(kTagLineChars, next);
            animation->id.SetFromCp932(LineName(next));
        } else if (tag == "ANIMATION_BEGIN") {
            channel = std::make_unique<CAnimationChannel>();
        } else if (tag == "ANIMATION_END") {
            if (channel) animation->channels.Add(std::move(channel));
        } else if (!channel) {
            // TARGET, KEY_TIME or POSE_MATRIX outside a channel, or any other line.
            continue;
        } else if (tag == "TARGET") {
            channel->targetId.SetFromCp932(TagName(line));
            channel->bone = bonesById.Find(channel->targetId);
        } else if (tag == "KEY_TIME") {
            // A longer line is cut here; its rest comes back as a tag line and is skipped.
            if (lines.ReadBytes(kKeyTimeLineBytes, next)) AppendKeyTimes(*channel, next);
        } else if (tag == "POSE_MATRIX") {
            while (lines.ReadBytes(kPoseLineBytes, next)) {
                if (FirstToken(next, kTagDelimiters) == "POSE_MATRIX_END") break;
                AppendPoseMatrix(*channel, next);
            }
        }
    }
    if (!recognised) return Status::Failure("not an animation file");
    model.animations.Add(std::move(animation));
    return Status::Ok();
}

Status ReadAnimation(CModel& model, const std::string& path, bool checkTarget) {
    if (const std::string record = UnfinishedWriteOf(path); !record.empty())
        return Status::Failure("an unfinished write left it (" + record + "); writing it again completes it");
    const Result<std::string> bytes = ReadWholeFile(path, kMaxAnimationFileBytes);
    if (!bytes) return bytes.status();
    return ParseAnimation(model, *bytes, checkTarget);
}
