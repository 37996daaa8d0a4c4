#include "ui/dir_listing.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

#include "import/model_file.h"

namespace {

bool IsDirectoryEntry(const QByteArray& dirPath, const dirent* e) {
#ifdef _DIRENT_HAVE_D_TYPE
    if (e->d_type == DT_DIR) return true;
    if (e->d_type != DT_LNK && e->d_type != DT_UNKNOWN) return false;
#endif
    // Links count as what they point to.
    struct stat st;
    const QByteArray full = dirPath + '/' + e->d_name;
    return ::stat(full.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

constexpr std::int64_t kSettleNs = 1000000000;

std::int64_t NowNs() {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

constexpr int kMaxRoots = 25;

// File systems that hold no user files: kernel interfaces, memory-backed
// scratch space, container layers.
bool IsPseudoFileSystem(const QByteArray& type) {
    static const char* const kPseudo[] = {
        "proc",      "sysfs",     "devtmpfs",   "devpts",     "tmpfs",           "ramfs",
        "cgroup",    "cgroup2",   "securityfs", "debugfs",    "tracefs",         "pstore",
        "bpf",       "mqueue",    "hugetlbfs",  "configfs",   "fusectl",         "binfmt_misc",
        "autofs",    "efivarfs",  "nsfs",       "rpc_pipefs", "overlay",         "aufs",
        "squashfs",  "selinuxfs", "nfsd",       "rootfs",     "fuse.gvfsd-fuse", "fuse.portal",
        "fuse.lxcfs"};
    for (const char* t : kPseudo)
        if (type == t) return true;
    return false;
}

bool IsUnder(const QString& path, QStringView prefix) {
    return path == prefix || (path.startsWith(prefix) && path.at(prefix.size()) == u'/');
}

bool IsHiddenMountPoint(const QString& path) {
    static const char16_t* const kHidden[] = {u"/proc", u"/sys",  u"/dev",           u"/run",
                                              u"/etc",  u"/snap", u"/mnt/sandboxing"};
    // Removable drives show up under /run/media on some systems.
    if (IsUnder(path, u"/run/media")) return false;
    for (const char16_t* p : kHidden)
        if (IsUnder(path, QStringView(p))) return true;
    return false;
}

// The table writes space, tab, newline and backslash as "\ooo".
QByteArray DecodeMountField(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size()) {
            const char a = field[i + 1], b = field[i + 2], d = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && d >= '0' && d <= '7') {
                out.push_back(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (d - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(c);
    }
    return out;
}

}  // namespace

std::vector<CListEntry> ListFolder(const QString& path, unsigned kinds) {
    std::vector<CListEntry> folders, files;
    const QByteArray native = QFile::encodeName(path.isEmpty() ? QStringLiteral(".") : path);
    DIR* dir = ::opendir(native.constData());
    if (!dir) return {};
    // One read serves both passes: the folders first, then the files, each in
    // enumeration order.
    while (const dirent* e = ::readdir(dir)) {
        const char* raw = e->d_name;
        if (IsDirectoryEntry(native, e)) {
            if (std::strcmp(raw, ".") == 0 || std::strcmp(raw, "..") == 0) continue;
            folders.push_back({QFile::decodeName(raw), CEntryKind::Folder});
            continue;
        }
        switch (KindOfFileName(raw)) {
            case ModelFileKind::Model:
                if (kinds & kListModels) files.push_back({QFile::decodeName(raw), CEntryKind::Model});
                break;
            case ModelFileKind::Animation:
                if (kinds & kListAnimations) files.push_back({QFile::decodeName(raw), CEntryKind::Animation});
                break;
            case ModelFileKind::Collada:
            case ModelFileKind::Gltf:
                if (kinds & kListCollada) files.push_back({QFile::decodeName(raw), CEntryKind::Collada});
                break;
            case ModelFileKind::Other: break;
        }
    }
    ::closedir(dir);
    const auto byName = [](const CListEntry& x, const CListEntry& y) { return NaturalLess(x.name, y.name); };
    std::sort(folders.begin(), folders.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    folders.reserve(folders.size() + files.size());
    for (auto& f : files) folders.push_back(std::move(f));
    return folders;
}

// Compares digit runs by value (leading zeros aside, a longer run is
// larger), everything else by case-folded character; a run of digits sorts
// before a letter at the same place.
namespace {
int NaturalCompare(QStringView a, QStringView b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ie = i, je = j;
            while (ie < a.size() && a[ie].isDigit()) ++ie;
            while (je < b.size() && b[je].isDigit()) ++je;
            QStringView x = a.mid(i, ie - i), y = b.mid(j, je - j);
            while (x.size() > 1 && x[0] == u'0') x = x.mid(1);
            while (y.size() > 1 && y[0] == u'0') y = y.mid(1);
            if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
            if (const int c = x.compare(y); c != 0) return c;
            i = ie;
            j = je;
            continue;
        }
        const char32_t p = a[i].toCaseFolded().unicode(), q = b[j].toCaseFolded().unicode();
        if (p != q) return p < q ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
    return 0;
}
}  // namespace

bool NaturalLess(QStringView a, QStringView b) {
    const int c = NaturalCompare(a, b);
    return c != 0 ? c < 0 : a.compare(b) < 0;
}

QStringList RootsFromMountTable(const QByteArray& table) {
    QStringList roots{QStringLiteral("/")};
    for (const QByteArray& line : table.split('\n')) {
        if (roots.size() >= kMaxRoots) break;
        // device, mount point, type, options, ...
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3) continue;
        if (IsPseudoFileSystem(fields[2])) continue;
        const QString point = QFile::decodeName(DecodeMountField(fields[1]));
        if (!point.startsWith(u'/') || IsHiddenMountPoint(point) || roots.contains(point)) continue;
        roots.push_back(point);
    }
    return roots;
}

QStringList ListRoots() {
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    if (!mounts.open(QIODevice::ReadOnly)) return {QStringLiteral("/")};
    return RootsFromMountTable(mounts.readAll());
}

const std::vector<CListEntry>& CListingCache::Get(const QString& path, unsigned kinds) {
    struct stat st {};
    const bool statted = ::stat(QFile::encodeName(path.isEmpty() ? QStringLiteral(".") : path).constData(), &st) == 0;
    const std::int64_t mtime =
        statted ? static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec : -1;
    const std::uint64_t dev = statted ? st.st_dev : 0, ino = statted ? st.st_ino : 0;
    const bool settled = listedAtNs_ - mtimeNs_ > kSettleNs;
    if (valid_ && settled && path == path_ && kinds == kinds_ && mtime == mtimeNs_ && dev == device_ && ino == inode_)
        return entries_;
    listedAtNs_ = NowNs();
    entries_ = ListFolder(path, kinds);
    ++listings_;
    valid_ = true;
    path_ = path;
    kinds_ = kinds;
    mtimeNs_ = mtime;
    device_ = dev;
    inode_ = ino;
    return entries_;
}

int LastSeparator(QStringView path) {
    for (qsizetype i = path.size() - 1; i >= 0; --i)
        if (path[i] == u'/' || path[i] == u'\\') return static_cast<int>(i);
    return -1;
}

bool IsRootPath(QStringView path) {
    if (path == u"/" || path == u"\\") return true;
    return path.size() == 3 && path[0].isLetter() && path[1] == u':' && (path[2] == u'\\' || path[2] == u'/');
}

QString JoinPath(const QString& dir, const QString& name) {
    if (name.isEmpty()) return dir;
    if (dir.isEmpty()) return name;
    if (dir.endsWith(u'/') || dir.endsWith(u'\\')) return dir + name;
    return dir + u'/' + name;
}

QString CurrentDirectory() { return QDir::currentPath(); }

bool SetCurrentDirectory(const QString& path) { return !path.isEmpty() && QDir::setCurrent(path); }
