// Listing and painting a folder of 100 000 entries in the select-file dialog.
// Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.
#ifdef VORLAND_HAVE_UI
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <memory>
#include <unistd.h>

#include "settings/settings.h"
#include "ui/dir_listing.h"
#include "ui/scroll_bar.h"
#include "ui/select_file_dialog.h"
#include "ui/select_list.h"

namespace {

constexpr int kEntries = 100000;

QApplication* BenchApp() {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return app;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char arg0[] = "vorland-bench";
    static char* argv[] = {arg0, nullptr};
    return new QApplication(argc, argv);
}

// 100 000 entries: 1 000 folders, then .mdl, .ani, .dae and unlisted .txt
// files. Made once per run; waits until the folder's time stamp has settled
// so the listing cache can hold.
const QString& BigFolder() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QByteArray base = QFile::encodeName(dir.path());
        for (int i = 0; i < kEntries; ++i) {
            char name[64];
            if (i < 1000) {
                std::snprintf(name, sizeof name, "/folder%05d", i);
                ::mkdir((base + name).constData(), 0755);
                continue;
            }
            static const char* const kSuffix[] = {".mdl", ".ani", ".dae", ".txt"};
            std::snprintf(name, sizeof name, "/item%06d%s", i, kSuffix[i % 4]);
            const int fd = ::open((base + name).constData(), O_CREAT | O_WRONLY, 0644);
            if (fd >= 0) ::close(fd);
        }
        QThread::msleep(1100);
        return dir.path();
    }();
    return path;
}

void BM_ListFolder100k(benchmark::State& state) {
    const QString& path = BigFolder();
    std::size_t rows = 0;
    for (auto _ : state) {
        rows = ListFolder(path).size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_ListFolder100k)->Unit(benchmark::kMillisecond);

struct OpenDialog {
    OpenDialog() {
        startDir = QDir::currentPath();
        QDir::setCurrent(BigFolder());
        const QRect r = CSelectFileDialog::DefaultRect(CScreenMetrics::FromPrimaryScreen());
        dialog.Create(r.x(), r.y(), r.width(), r.height(), settings);
        dialog.Open(CSelectFileDialog::kModeOpenModel);
        QCoreApplication::processEvents();
        list = dialog.SelectList();
    }
    ~OpenDialog() {
        dialog.Close();
        QDir::setCurrent(startDir);
    }
    QApplication* app = BenchApp();
    CSettings settings;
    QString startDir;
    CSelectFileDialog dialog;
    CSelectList* list = nullptr;
};

// One paint of the list scrolled to the middle, the listing cached.
void BM_SelectListPaint100kCached(benchmark::State& state) {
    OpenDialog d;
    d.list->Refresh();
    d.list->topIndex = d.list->itemCount / 2;
    const int listingsBefore = d.list->ListingCache().Listings();
    for (auto _ : state) d.list->Refresh();
    state.counters["rows"] = d.list->itemCount;
    state.counters["listings"] = d.list->ListingCache().Listings() - listingsBefore;
}
BENCHMARK(BM_SelectListPaint100kCached)->Unit(benchmark::kMillisecond);

// The first paint after the dialog is shown or the folder changes.
void BM_SelectListPaint100kFresh(benchmark::State& state) {
    OpenDialog d;
    for (auto _ : state) {
        d.list->InvalidateListing();
        d.list->Refresh();
    }
    state.counters["rows"] = d.list->itemCount;
}
BENCHMARK(BM_SelectListPaint100kFresh)->Unit(benchmark::kMillisecond);

// A wheel notch: thumb moved, top index mapped, list repainted.
void BM_SelectListDrag100k(benchmark::State& state) {
    OpenDialog d;
    d.list->Refresh();
    CScrollBar* bar = d.list->ScrollBar();
    int step = 0;
    for (auto _ : state) {
        bar->thumbPosition = (step++ * 7) % std::max(1, bar->TrackLength() - bar->thumbLength);
        bar->ApplyMapping();
        d.list->Refresh();
    }
    state.counters["top"] = d.list->topIndex;
}
BENCHMARK(BM_SelectListDrag100k)->Unit(benchmark::kMillisecond);

}  // namespace
#endif
