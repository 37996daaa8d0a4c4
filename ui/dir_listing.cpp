#include "ui/dir_listing.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

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

}  // namespace

std::vector<CListEntry> ListFolder(const QString& path, const CListExtensions& ext) {
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
        const QString name = QFile::decodeName(raw);
        if (name.size() <= 4) continue;
        const QStringView last4 = QStringView(name).right(4);
        if (last4 == ext.model)
            files.push_back({name, CEntryKind::Model});
        else if (last4 == ext.animation)
            files.push_back({name, CEntryKind::Animation});
        else if (last4 == ext.collada)
            files.push_back({name, CEntryKind::Collada});
    }
    ::closedir(dir);
    folders.reserve(folders.size() + files.size());
    for (auto& f : files) folders.push_back(std::move(f));
    return folders;
}

QStringList ListRoots() {
    QStringList roots{QStringLiteral("/")};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (roots.size() >= 25) break;
        if (!volume.isValid() || !volume.isReady()) continue;
        const QString root = volume.rootPath();
        if (!root.isEmpty() && !roots.contains(root)) roots.push_back(root);
    }
    return roots;
}

const std::vector<CListEntry>& CListingCache::Get(const QString& path, const CListExtensions& ext) {
    struct stat st {};
    const bool statted = ::stat(QFile::encodeName(path.isEmpty() ? QStringLiteral(".") : path).constData(), &st) == 0;
    const std::int64_t mtime = statted ? static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec : -1;
    const std::uint64_t dev = statted ? st.st_dev : 0, ino = statted ? st.st_ino : 0;
    const bool settled = listedAtNs_ - mtimeNs_ > kSettleNs;
    if (valid_ && settled && path == path_ && ext == ext_ && mtime == mtimeNs_ && dev == device_ && ino == inode_)
        return entries_;
    listedAtNs_ = NowNs();
    entries_ = ListFolder(path, ext);
    ++listings_;
    valid_ = true;
    path_ = path;
    ext_ = ext;
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
