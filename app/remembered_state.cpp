#include "app/remembered_state.h"

#include <QDir>
#include <QFileInfo>

#include "settings/settings.h"

QRect RememberedWindowRect(const CSettings& s, const QList<QRect>& screens, QSize screenSize, int titleBar,
                           QRect fallback) {
    const QRect r(s.WindowX, s.WindowY, s.WindowWidth, s.WindowHeight);
    if (r.width() > screenSize.width() || r.height() > screenSize.height()) return fallback;
    if (r.width() < 4 * titleBar || r.height() < 3 * titleBar) return fallback;
    const QRect bar(r.x(), r.y(), r.width(), titleBar);
    for (const QRect& screen : screens) {
        const QRect seen = bar.intersected(screen);
        if (seen.width() >= 2 * titleBar && seen.height() >= titleBar / 2) return r;
    }
    return fallback;
}

void RememberWindowRect(CSettings& s, QRect rect) {
    s.WindowX = rect.x();
    s.WindowY = rect.y();
    s.WindowWidth = rect.width();
    s.WindowHeight = rect.height();
}

namespace {

QString FromName(const CName& name) { return QString::fromUtf16(name.Data(), name.Length()); }

}  // namespace

QString RememberedFolder(const CSettings& s) {
    const QString folder = FromName(s.LastFolder);
    return !folder.isEmpty() && QDir::isAbsolutePath(folder) && QFileInfo(folder).isDir() ? folder : QString();
}

bool RememberFolder(CSettings& s, const QString& folder) {
    CName name;
    name.Set(std::u16string_view(reinterpret_cast<const char16_t*>(folder.utf16()),
                                 static_cast<std::size_t>(folder.size())));
    // Written and read back as the next start would; a name cut short or
    // changed might be another folder.
    CSettings probe;
    probe.LastFolder = name;
    CSettings back;
    if (!back.Read(probe.Serialize()) || !(back.LastFolder == name)) return false;
    s.LastFolder = name;
    return true;
}
