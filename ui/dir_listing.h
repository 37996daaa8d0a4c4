#pragma once
// Folder listings, file-system roots and path helpers of the select list.
// The working directory of the process is the list's folder: the dialog
// browses by changing it.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <vector>

enum class CEntryKind { Folder, Model, Animation, Collada };

struct CListEntry {
    QString name;
    CEntryKind kind;
};

// Which kinds of file a listing keeps; folders are always kept.
enum CListKinds : unsigned { kListModels = 1u, kListAnimations = 2u, kListCollada = 4u, kListAllFiles = 7u };

// The rows of a folder: first every sub-folder except "." and "..", then
// every file of the `kinds` asked for, of a kind the viewer opens: its kind
// is the one opening it would take (KindOfFileName: .mdl, .ani, and .dae,
// .gltf, .glb listed together, in any letter case). Each group is in NaturalLess order
// (the file system's own order is arbitrary on Linux). A folder that cannot be
// read gives no rows.
std::vector<CListEntry> ListFolder(const QString& path, unsigned kinds = kListAllFiles);

// Natural order, case-insensitive: runs of digits compare by their value
// ("model_5" before "model_10"), letters without regard to case; names equal
// that way fall back to plain comparison, so the order is total.
bool NaturalLess(QStringView a, QStringView b);

// The drive view: "/" first, then the mounted volumes a user would browse
// (read from /proc/self/mounts), at most 25.
QStringList ListRoots();
// The same from the text of a /proc/self/mounts-style table: "/" first, then
// each mount point in table order, once, skipping kernel and memory file
// systems (proc, sysfs, tmpfs, cgroup, overlay, ...) and anything mounted
// under /proc, /sys, /dev, /run (except removable drives in /run/media), /etc,
// /snap or the sandbox's /mnt/sandboxing.
// Mount points keep the table's octal escapes decoded ("\040" is a space).
QStringList RootsFromMountTable(const QByteArray& table);

// The listing of one folder kept between paints. It is listed again when the
// path, the kinds or the folder itself (inode, modification time)
// change, or after Invalidate. File-system clocks are coarse, so a folder
// modified less than a second before it was listed is listed again on every
// Get until that second has passed.
class CListingCache {
public:
    const std::vector<CListEntry>& Get(const QString& path, unsigned kinds = kListAllFiles);
    void Invalidate() { valid_ = false; }
    int Listings() const { return listings_; }  // how often the folder was read

private:
    bool valid_ = false;
    QString path_;
    unsigned kinds_ = kListAllFiles;
    std::uint64_t device_ = 0, inode_ = 0;
    std::int64_t mtimeNs_ = 0;
    std::int64_t listedAtNs_ = 0;
    std::vector<CListEntry> entries_;
    int listings_ = 0;
};

// Index of the last "/" or "\" in `path`, or -1.
int LastSeparator(QStringView path);
// "/" (or a drive root such as "C:\" or "C:/").
bool IsRootPath(QStringView path);
// `dir` + "/" + `name`, without doubling a separator; `dir` alone when `name`
// is empty.
QString JoinPath(const QString& dir, const QString& name);
// The process's working directory, with "/" separators.
QString CurrentDirectory();
// Changes the working directory; false (and nothing changed) on failure.
bool SetCurrentDirectory(const QString& path);
