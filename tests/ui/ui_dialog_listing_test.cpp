// The select-file dialog's listing: which files, in which order, folders,
// roots and the types of names.
#include "tests/ui/ui_dialog_fixture.h"

using uidialog::Touch;
using uidialog::UiDialog;

TEST_F(UiDialog, TypeRules) {
    list->selectedIndex = -1;
    list->fileName = QStringLiteral("walk.ani");
    list->UpdateType();
    EXPECT_EQ(static_cast<int>(list->selectedType), 0);
    list->selectedIndex = 0;
    const std::pair<const char*, int> cases[] = {
        {"walk.mdl", 1}, {"walk.ani", 2}, {"room.dae", 3}, {"walk.MDL", 1}, {"b.GLB", 3},
        {"a.mdl", 1},    {"sub", 4},      {"", 4},         {"x.txt", 4},    {"dir.mdl", 1},
    };
    for (const auto& [name, type] : cases) {
        list->fileName = QString::fromUtf8(name);
        list->UpdateType();
        EXPECT_EQ(static_cast<int>(list->selectedType), type) << name;
    }
}

TEST_F(UiDialog, ListingFiltersAndOrders) {
    Touch(root + "/a.mdl");
    Touch(root + "/b.MDL");  // opened in any letter case, so listed too
    Touch(root + "/walk.ani");
    Touch(root + "/room.dae");
    Touch(root + "/notes.txt");
    QDir(root).mkdir("sub");
    QDir(root).mkdir("pack.mdl");  // a folder stays a folder in the listing
    const std::vector<CListEntry> rows = ListFolder(root);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].kind, CEntryKind::Folder);
    EXPECT_EQ(rows[1].kind, CEntryKind::Folder);
    QStringList files;
    for (std::size_t i = 2; i < rows.size(); ++i) files << rows[i].name;
    files.sort();
    EXPECT_EQ(files, (QStringList{"a.mdl", "b.MDL", "room.dae", "walk.ani"}));
    for (const auto& r : rows) {
        if (r.name == "walk.ani") {
            EXPECT_EQ(r.kind, CEntryKind::Animation);
        }
        if (r.name == "b.MDL") {
            EXPECT_EQ(r.kind, CEntryKind::Model);
        }
    }
    EXPECT_TRUE(ListFolder(root + "/does-not-exist").empty());
}

// Folders, then files, each by digit runs' values and without regard to case.
TEST_F(UiDialog, ListingIsFoldersThenFilesInNaturalOrder) {
    for (const char* name : {"model_10.mdl", "Model_5.mdl", "b.ani", "A.dae", "x07.ani", "x7.ani"})
        Touch(root + "/" + name);
    for (const char* name : {"take10", "Take9", "take009b"}) QDir(root).mkdir(name);
    QStringList names;
    for (const CListEntry& row : ListFolder(root)) names << row.name;
    EXPECT_EQ(names, (QStringList{"Take9", "take009b", "take10", "A.dae", "b.ani", "Model_5.mdl", "model_10.mdl",
                                  "x07.ani", "x7.ani"}));
}

TEST_F(UiDialog, FolderThatIsAFileListsNothing) {
    Touch(root + "/plain.mdl");
    EXPECT_TRUE(ListFolder(root + "/plain.mdl").empty());
    CListingCache cache;
    EXPECT_TRUE(cache.Get(root + "/plain.mdl").empty());
}

TEST_F(UiDialog, UnreadableFolderListsNothing) {
    QDir(root).mkdir("locked");
    Touch(root + "/locked/a.mdl");
    QFile::setPermissions(root + "/locked", QFileDevice::WriteOwner);
    if (::geteuid() != 0) {
        EXPECT_TRUE(ListFolder(root + "/locked").empty());
    } else {
        // Root reads every folder: list it as "nobody" in a child process.
        QFile::setPermissions(root, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                        QFileDevice::ExeGroup | QFileDevice::ExeOther);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
            ::_exit(dropped && ListFolder(root + "/locked").empty() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    QFile::setPermissions(root + "/locked", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(UiDialog, RootsStartWithSlashAndStopAt25) {
    QStringList roots = ListRoots();
    ASSERT_FALSE(roots.isEmpty());
    EXPECT_EQ(roots.front(), QStringLiteral("/"));
    EXPECT_LE(roots.size(), 25);
    EXPECT_EQ(roots.removeDuplicates(), 0);
}

TEST(DriveView, KeepsOnlyVolumesAUserBrowses) {
    const QByteArray table =
        "proc /proc proc rw,relatime 0 0\n"
        "sysfs /sys sysfs rw,relatime 0 0\n"
        "devtmpfs /dev devtmpfs rw,relatime,mode=755 0 0\n"
        "tmpfs /dev/shm tmpfs rw,relatime 0 0\n"
        "/dev/vda / ext4 rw,relatime 0 0\n"
        "tools /mnt/sandboxing/tools/v1/python tmpfs ro,nosuid 0 0\n"
        "/dev/vdb /mnt/sandboxing/data ext4 ro 0 0\n"
        "cgroup /sys/fs/cgroup/cpu cgroup rw,cpu 0 0\n"
        "cgroup2 /sys/fs/cgroup/unified cgroup2 rw 0 0\n"
        "tmpfs /run tmpfs rw,nosuid 0 0\n"
        "/dev/sda1 /run/media/user/STICK vfat rw 0 0\n"
        "overlay /var/lib/docker/overlay2/abc/merged overlay rw 0 0\n"
        "/dev/sda2 /boot ext4 rw 0 0\n"
        "/dev/sdb1 /media/user/My\\040Disk ext4 rw 0 0\n"
        "server:/export /home nfs4 rw 0 0\n"
        "/dev/sdb1 /media/user/My\\040Disk ext4 rw 0 0\n"
        "/dev/vda /etc/hosts ext4 rw 0 0\n"
        "broken-line\n"
        "\n";
    EXPECT_EQ(RootsFromMountTable(table),
              QStringList({"/", "/run/media/user/STICK", "/boot", "/media/user/My Disk", "/home"}));
    EXPECT_EQ(RootsFromMountTable(QByteArray()), QStringList({"/"}));
    // At most 25, "/" included.
    QByteArray many;
    for (int i = 0; i < 40; ++i)
        many += "/dev/sd" + QByteArray::number(i) + " /data/" + QByteArray::number(i) + " ext4 rw 0 0\n";
    const QStringList roots = RootsFromMountTable(many);
    ASSERT_EQ(roots.size(), 25);
    EXPECT_EQ(roots.front(), QStringLiteral("/"));
    EXPECT_EQ(roots.back(), QStringLiteral("/data/23"));
}

TEST(DriveView, ThisMachineShowsNoPseudoMounts) {
    const auto under = [](const QString& path, const QString& dir) {
        return path == dir || path.startsWith(dir + u'/');
    };
    for (const QString& root : ListRoots()) {
        EXPECT_FALSE(under(root, "/proc") || under(root, "/sys") || under(root, "/dev") ||
                     under(root, "/mnt/sandboxing"))
            << root.toStdString();
        EXPECT_TRUE(!under(root, "/run") || under(root, "/run/media")) << root.toStdString();
    }
}

TEST_F(UiDialog, PathHelpersAcceptBothSeparators) {
    EXPECT_EQ(LastSeparator(u"C:\\Users\\someone"), 8);
    EXPECT_EQ(LastSeparator(u"/home/user"), 5);
    EXPECT_EQ(LastSeparator(u"name"), -1);
    EXPECT_TRUE(IsRootPath(u"/"));
    EXPECT_TRUE(IsRootPath(u"C:\\"));
    EXPECT_FALSE(IsRootPath(u"/ab"));  // three characters, but a folder
    EXPECT_EQ(JoinPath("/", "home"), QStringLiteral("/home"));
    EXPECT_EQ(JoinPath("/home", "user"), QStringLiteral("/home/user"));
    EXPECT_EQ(JoinPath("/mnt/usb", ""), QStringLiteral("/mnt/usb"));
}

TEST_F(UiDialog, GltfFilesAreListedAndOpenedAsModels) {
    for (const char* name : {"a.glb", "b.gltf", "c.GLB", "d.glbx"}) Touch(root + "/" + QString::fromLatin1(name));
    QStringList listed;
    for (const CListEntry& row : ListFolder(root)) {
        EXPECT_EQ(row.kind, CEntryKind::Collada) << row.name.toStdString();
        listed << row.name;
    }
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"a.glb", "b.gltf", "c.GLB"}));
    EXPECT_EQ(FileTypeOfName(QStringLiteral("walk.gltf")), CSelectList::kTypeCollada);
}
