#include "app/application.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QSaveFile>
#include <QScreen>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/animation_list_window.h"
#include "app/disp_window.h"
#include "app/file_actions.h"
#include "app/menu_window.h"
#include "app/message_dialog.h"
#include "app/remembered_state.h"
#include "platform/stage_timer.h"
#include "settings/settings.h"
#include "app/shell_buttons.h"
#include "platform/data_paths.h"
#include "ui/select_file_dialog.h"
#include "ui/dir_listing.h"
#include "ui/select_list.h"
#include "ui/texts.h"

namespace {

constexpr int kTitleUnits = 60;
constexpr int kNoticeMs = 2000;

// The local files of a drag that the viewer opens (models and animations).
QStringList OpenableFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls()) {
        const QString path = url.toLocalFile();
        const FileType type = FileTypeOfName(path);
        const bool openable =
            type == FileType::kTypeModel || type == FileType::kTypeAnimation || type == FileType::kTypeCollada;
        if (!path.isEmpty() && openable) files << path;
    }
    return files;
}

}  // namespace

CApplication::CApplication() : CApplication(CScreenMetrics::FromPrimaryScreen()) {}

CApplication::CApplication(const CScreenMetrics& metrics)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), metrics_(metrics) {
    setObjectName(QStringLiteral("CLASS_MAINWINDOW"));
    setWindowTitle(QStringLiteral("Vorland"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAcceptDrops(true);
    startDirectory = QDir::currentPath();
    const DataPaths paths = ResolveDataPaths(ThisProcessInputs());
    configDirectory = QString::fromStdString(paths.configDir);
    screenshotDirectory = QString::fromStdString(paths.screenshotDir);
    screenWidth = metrics_.screenWidth;
    screenHeight = metrics_.screenHeight;
    const QRect r = DefaultWindowRect(screenWidth, screenHeight);
    windowWidth = r.width();
    windowHeight = r.height();
    windowX = r.x();
    windowY = r.y();
    titleBarHeight = RowHeightFor(screenHeight);
    settings_ = std::make_unique<CSettings>();
    std::vector<std::string> fallbacks;
    {
        const stage_timer::Span span("settings");
        if (const Status read = settings_->ReadFile(configDirectory.toStdString() + "/config.ini", &fallbacks); !read) {
            // Shown once the message window exists; the file is not written on exit.
            settingsProblem_ = QString::fromStdString(read.Why());
            std::fprintf(stderr, "vorland: %s\n", read.Why().c_str());
        }
    }
    for (const std::string& line : fallbacks) std::fprintf(stderr, "vorland: %s\n", line.c_str());
    SetInterfaceLanguage(ResolveLanguage(settings_->Language.ToUtf8()));
    // The window and the dialog's folder as they were left, when they still fit.
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) screens << screen->geometry();
    const QRect left = RememberedWindowRect(*settings_, screens, QSize(screenWidth, screenHeight), titleBarHeight, r);
    const QRect asLeft(settings_->WindowX, settings_->WindowY, settings_->WindowWidth, settings_->WindowHeight);
    if (settings_->WindowWidth > 0 && left != asLeft)
        std::fprintf(stderr,
                     "vorland: config.ini: the window's place and size are off the screen; the default is used\n");
    windowX = left.x();
    windowY = left.y();
    windowWidth = left.width();
    windowHeight = left.height();
    lastFolder_ = RememberedFolder(*settings_);
    background = BackgroundColor(*settings_);
    bar = BarColor(*settings_);
    const auto white = [](const CColor4& c) { return (PackArgb(c) & 0xFFFFFFu) == 0xFFFFFFu; };
    colorKey_ = white(background) || white(bar);
    if (colorKey_) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_OpaquePaintEvent, false);
    }
}

CApplication::~CApplication() {
    // The display's threads stop before anything they reach goes away.
    delete display_;
    display_ = nullptr;
}

CMainLayout CApplication::Layout() const {
    const int cw = maximized ? screenWidth : windowWidth;
    const int ch = maximized ? screenHeight : windowHeight;
    return ComputeMainLayout(screenHeight, windowWidth, cw, ch);
}

void CApplication::CreateMainWindow(EglContextAhead eglContext) {
    setGeometry(windowX, windowY, windowWidth, windowHeight);

    const CMainLayout l = Layout();
    menuWidth = l.menuWidth;
    menuHeight = l.menuHeight;
    // The scene first: its GL set-up and the room's import run on its
    // threads while the rest of the window is built.
    display_ = new CDispWindow(settings_.get(), std::move(eglContext));
    display_->Create(this, l.display.x(), l.display.y(), l.display.width(), l.display.height());
    menu_ = new CMenuWindow;
    menu_->Create(this, l.menu.x(), l.menu.y(), l.menu.width(), l.menu.height(), *settings_, metrics_);
    menu_->SetOpenDialog([this](FileDialogMode mode) {
        if (!dialog_) return;
        // The first one opens where the last run's dialog was left.
        if (!dialogOpened_ && !lastFolder_.isEmpty()) SetCurrentDirectory(lastFolder_);
        dialogOpened_ = true;
        dialog_->Open(mode);
    });

    dialog_ = std::make_unique<CSelectFileDialog>();
    const QRect d = CSelectFileDialog::DefaultRect(metrics_);
    dialog_->Create(d.x(), d.y(), d.width(), d.height(), *settings_);
    dialog_->SetMainWindow(this);
    dialog_->SetOkAction([this] { RunFileAction(FileActionContext()); });
    messages_ = std::make_unique<CMessageDialog>();
    messages_->Create(*settings_);

    backBuffer_ = MakeBackBuffer(metrics_);

    const int s = l.buttonSize;
    closeButton_ = new CButtonClose;
    closeButton_->SetAction([this] { CloseApplication(); });
    closeButton_->Create(l.closeLeft, l.buttonTop, s, s, this);
    closeButton_->LoadImages(QStringLiteral("./pict/ButtonClose.png"), QStringLiteral("./pict/ButtonCloseDown.png"));
    sizeButton_ = new CButtonMaximize;
    sizeButton_->SetAction([this] { ToggleMaximized(); });
    sizeButton_->Create(l.sizeLeft, l.buttonTop, s, s, this);
    sizeButton_->LoadImages(QStringLiteral("./pict/ButtonSize.png"), QStringLiteral("./pict/ButtonSizeDown.png"));
    minimizeButton_ = new CButtonMinimize;
    minimizeButton_->SetAction([this] { showMinimized(); });
    minimizeButton_->Create(l.minimiseLeft, l.buttonTop, s, s, this);
    minimizeButton_->LoadImages(QStringLiteral("./pict/ButtonMin.png"), QStringLiteral("./pict/ButtonMinDown.png"));
    for (CCustomButton* b : {static_cast<CCustomButton*>(closeButton_), static_cast<CCustomButton*>(sizeButton_),
                             static_cast<CCustomButton*>(minimizeButton_)})
        b->background = bar.Opaque();

    show();
    repaint();

    menu_->AnimationList()->SetDisplay(display_);
    // Queued: the display emits from inside its own paint.
    connect(display_, &CDispWindow::StateChanged, this, [this](SceneState state) {
        repaint();
        if (state == SceneState::Running && !pendingFiles_.isEmpty()) {
            const QStringList files = pendingFiles_;
            pendingFiles_.clear();
            OpenFiles(files);
        }
    });
    connect(display_, &CDispWindow::FrameRateChanged, this, [this](float) { repaint(); });
    connect(display_, &CDispWindow::SceneChanged, this, [this] {
        if (!menu_) return;
        const SceneSnapshot snapshot = display_->GetScene().Snapshot();
        menu_->AnimationList()->SetAnimations(snapshot.animations, snapshot.activeAnimation);
        repaint();  // the title names the model's file
    });
    display_->SetTimelineShown(true);
    connect(display_, &CDispWindow::EventsWaiting, this, [this] { ShowSceneEvents(FileActionContext()); });
    connect(
        display_, &CDispWindow::FullScreenChanged, this,
        [this](bool full) { OnSize(full || isMaximized() ? kSizeMaximized : kSizeRestored); }, Qt::QueuedConnection);
    // Missing pictures are reported like missing models; their buttons draw
    // as labelled plain buttons meanwhile.
    QStringList missing;
    for (QWidget* top : {static_cast<QWidget*>(this), static_cast<QWidget*>(dialog_.get()),
                         static_cast<QWidget*>(dialog_->ConfirmDialog()), static_cast<QWidget*>(messages_.get())})
        for (const QWidget* w : top->findChildren<QWidget*>())  // the buttons carry no meta-object of their own
            if (const auto* b = dynamic_cast<const CCustomButton*>(w)) missing += b->MissingImages();
            else if (const auto* l = dynamic_cast<const CSelectList*>(w)) missing += l->MissingImages();
    if (!missing.isEmpty()) {
        const QString list = missing.join(QLatin1Char('\n'));
        std::fprintf(stderr, "vorland: the interface runs without these images:\n%s\n", list.toLocal8Bit().constData());
        ShowMessage(Text(CTextId::kImagesMissing) + list);
    }
    if (!settingsProblem_.isEmpty()) ShowMessage(settingsProblem_);
    connect(display_, &CDispWindow::LoadProblem, this, [this](const QString& problems) {
        std::fprintf(stderr, "vorland: the scene runs without what could not be loaded:\n%s\n",
                     problems.toLocal8Bit().constData());
        ShowMessage(Text(CTextId::kSceneIncomplete) + problems);
    });
}

CFileActionContext CApplication::FileActionContext() {
    CFileActionContext c;
    c.dialog = dialog_.get();
    c.display = display_;
    c.animationList = menu_ ? menu_->AnimationList() : nullptr;
    c.settings = settings_.get();
    c.report = [this](const QString& text) { ShowMessage(text); };
    c.notice = [this](const QString& text) { ShowNotice(text); };
    return c;
}

QString CApplication::TitleText() const {
    if (!display_) return FormatTitle(SceneState::Created, 0.0f);
    const Scene& scene = display_->GetScene();
    QString title = FormatTitle(scene.State(), scene.FrameRate());
    if (const std::string file = scene.Snapshot().modelFile; !file.empty())
        title.insert(FormatTitle(SceneState::Created, 0.0f).size(),
                     QStringLiteral(" - ") + QString::fromStdString(file));
    if (scene.State() == SceneState::Running) title += PlaybackNote(scene.Paused(), scene.Speed());
    if (!notice_.isEmpty()) title += QStringLiteral(" [%1]").arg(notice_);
    return title;
}

QString CApplication::PlaybackNote(bool paused, double speed) {
    QString note;
    if (speed != 1.0) note = QString::number(speed) + QLatin1Char('x');
    if (paused) note += (note.isEmpty() ? QString() : QStringLiteral(" ")) + Text(CTextId::kTitlePaused);
    return note.isEmpty() ? note : QStringLiteral(" [%1]").arg(note);
}

QString CApplication::FormatTitle(SceneState displayState, float framesPerSecond) {
    QString title = QStringLiteral("Vorland ver1.6");
    if (displayState == SceneState::Loading) title += QStringLiteral(" [%1]").arg(Text(CTextId::kTitleLoading));
    else if (displayState == SceneState::Running)
        title += QString::asprintf(" [FPS: %.2f f/s]", static_cast<double>(framesPerSecond));
    return title.left(kTitleUnits);
}

void CApplication::ShowMessage(const QString& text) {
    if (messages_) messages_->ShowMessage(text);
}

// --- painting ------------------------------------------------------------------

void CApplication::paintEvent(QPaintEvent*) {
    if (backBuffer_.isNull()) return;
    // Whatever size the window was given, also by the window manager.
    const int w = std::min(width(), backBuffer_.width());
    const int h = std::min(height(), backBuffer_.height());
    const int t = titleBarHeight;
    {
        QPainter p(&backBuffer_);
        p.setClipRect(0, 0, w, h);
        DrawWindowFrame(p, w, h, t, ToQColor(background.Opaque()), ToQColor(bar.Opaque()));
        const QFont font = CreateInterfaceFont(InterfaceFontEmSize(0.5, t, metrics_.dpiScaleX));
        // The title ends before the minimise button, shortened with an ellipsis.
        const CMainLayout l = ComputeMainLayout(screenHeight, windowWidth, w, h);
        const double left = w / 50.0, right = l.minimiseLeft - t * 0.3;
        DrawInterfaceTextElided(p, TitleText(), font, QRectF(left, t * 0.1, right - left, t),
                                ToQColor(background.Shifted(50)));
    }
    if (colorKey_) ApplyColorKey(w, h);
    BlitBackBuffer(this, backBuffer_, w, h);
}

void CApplication::ApplyColorKey(int w, int h) {
    w = std::min(w, backBuffer_.width());
    h = std::min(h, backBuffer_.height());
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(backBuffer_.scanLine(y));
        for (int x = 0; x < w; ++x)
            if ((line[x] & 0xFFFFFFu) == 0xFFFFFFu) line[x] = 0;
    }
}

// --- size ----------------------------------------------------------------------

void CApplication::OnSize(SizeKind kind) {
    if (kind == kSizeMaximized) {
        maximized = true;
        if (display_ && display_->FullScreen()) {
            display_->setGeometry(0, 0, screenWidth, screenHeight);
            for (QWidget* w : {static_cast<QWidget*>(closeButton_), static_cast<QWidget*>(sizeButton_),
                               static_cast<QWidget*>(minimizeButton_), static_cast<QWidget*>(menu_)})
                if (w) w->hide();
            setGeometry(0, 0, screenWidth, screenHeight);
            show();
            raise();
            repaint();
            return;
        }
        setGeometry(0, 0, screenWidth, screenHeight);
        LayOut(screenWidth, screenHeight);
    } else if (kind == kSizeRestored) {
        maximized = false;
        setGeometry(windowX, windowY, windowWidth, windowHeight);
        show();
        LayOut(windowWidth, windowHeight);
    } else {
        update();
    }
}

void CApplication::LayOut(int cw, int ch) {
    const CMainLayout l = ComputeMainLayout(screenHeight, windowWidth, cw, ch);
    if (display_) {
        display_->setGeometry(l.display);
        display_->show();
    }
    if (closeButton_) closeButton_->setGeometry(l.closeLeft, l.buttonTop, l.buttonSize, l.buttonSize);
    if (sizeButton_) sizeButton_->setGeometry(l.sizeLeft, l.buttonTop, l.buttonSize, l.buttonSize);
    if (minimizeButton_) minimizeButton_->setGeometry(l.minimiseLeft, l.buttonTop, l.buttonSize, l.buttonSize);
    for (QWidget* w : {static_cast<QWidget*>(closeButton_), static_cast<QWidget*>(sizeButton_),
                       static_cast<QWidget*>(minimizeButton_)})
        if (w) w->show();
    menuHeight = l.menuHeight;
    if (menu_) {
        menu_->setGeometry(l.menu);
        menu_->show();
    }
    repaint();
}

void CApplication::ToggleMaximized() {
    if (maximized) {
        setWindowState(windowState() & ~Qt::WindowMaximized);
        OnSize(kSizeRestored);
    } else {
        setWindowState(windowState() | Qt::WindowMaximized);
        OnSize(kSizeMaximized);
    }
}

// Back from the task bar: lay out again for the state the window had.
void CApplication::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) {
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        if ((change->oldState() & Qt::WindowMinimized) && !(windowState() & Qt::WindowMinimized))
            OnSize(maximized ? kSizeMaximized : kSizeRestored);
    }
    QWidget::changeEvent(event);
}

// A window manager's maximise or tiling resizes the window without OnSize.
void CApplication::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!menu_ || (display_ && display_->FullScreen())) return;
    LayOut(width(), height());
}

// --- viewer keys, drops, screenshots ----------------------------------------------------

void CApplication::keyPressEvent(QKeyEvent* event) {
    // Frame steps repeat while the key is held.
    const bool repeats = event->key() == Qt::Key_Comma || event->key() == Qt::Key_Period;
    if ((repeats || !event->isAutoRepeat()) &&
        HandleViewerKey(event->key(), event->modifiers().testFlag(Qt::ControlModifier)))
        return;
    QWidget::keyPressEvent(event);
}

bool CApplication::HandleViewerKey(int key, bool ctrl) {
    if (!display_) return false;
    if (display_->ViewKey(key, ctrl)) {
        settings_->InspectView = display_->GetScene().Display().inspect ? 1 : 0;  // the next start's view
        repaint();
        return true;
    }
    switch (key) {
        case Qt::Key_F:
            if (display_->GetScene().FrameModel()) display_->update();
            return true;
        case Qt::Key_P: display_->GetScene().TogglePause(); break;
        case Qt::Key_BracketLeft:
        case Qt::Key_BracketRight: display_->GetScene().ChangeSpeed(key == Qt::Key_BracketRight); break;
        case Qt::Key_F12: {
            const QString path = SaveScreenshot();
            if (path.isEmpty()) ShowMessage(Text(CTextId::kScreenshotFailed).arg(screenshotDirectory));
            else ShowNotice(Text(CTextId::kNoticeSaved).arg(QFileInfo(path).fileName()));
            return true;
        }
        default: return false;
    }
    repaint();
    return true;
}

QString CApplication::SaveScreenshot() {
    if (!display_) return {};
    const QImage image = display_->grabFramebuffer();
    if (image.isNull()) return {};
    const QString stem = screenshotDirectory + QStringLiteral("/vorland-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    // Two in one second: the second gets a number rather than replacing the first.
    QString path = stem + QStringLiteral(".png");
    for (int n = 2; QFileInfo::exists(path); ++n) path = stem + QStringLiteral("-%1.png").arg(n);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.convertToFormat(QImage::Format_RGB32).save(&file, "PNG") ||
        !file.commit())
        return {};
    return path;
}

void CApplication::ShowNotice(const QString& text) {
    notice_ = text;
    const int serial = ++noticeSerial_;
    repaint();
    QTimer::singleShot(kNoticeMs, this, [this, serial] {
        if (serial != noticeSerial_) return;
        notice_.clear();
        repaint();
    });
}

void CApplication::OpenFiles(const QStringList& paths) {
    if (paths.isEmpty()) return;
    if (!display_ || display_->State() != SceneState::Running) {
        pendingFiles_ += paths;
        return;
    }
    ::OpenFiles(FileActionContext(), paths);
    repaint();
}

void CApplication::dragEnterEvent(QDragEnterEvent* event) {
    if (!OpenableFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CApplication::dropEvent(QDropEvent* event) {
    const QStringList files = OpenableFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    OpenFiles(files);
}

// --- dragging by the title bar --------------------------------------------------------

void CApplication::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    buttonDown = true;
    pressInTitleBar = event->position().y() < titleBarHeight;
    const QPoint g = event->globalPosition().toPoint();
    lastMouseX = g.x();
    lastMouseY = g.y();
    repaint();
}

void CApplication::mouseMoveEvent(QMouseEvent* event) {
    if (!buttonDown || !pressInTitleBar || maximized) return;
    const QPoint g = event->globalPosition().toPoint();
    windowX += g.x() - lastMouseX;
    windowY += g.y() - lastMouseY;
    lastMouseX = g.x();
    lastMouseY = g.y();
    move(windowX, windowY);
    repaint();
}

void CApplication::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    buttonDown = false;
    pressInTitleBar = false;
    repaint();
}

// --- leaving ----------------------------------------------------------------------------

void CApplication::CloseApplication() {
    if (closed_) return;
    closed_ = true;
    if (settings_ && settings_->MayWriteBack()) {
        // The camera as the user left it is where the next start begins.
        if (display_ && display_->State() == SceneState::Running) {
            const CViewCamera camera = display_->GetScene().Camera();
            settings_->RotationX = camera.RotationX;
            settings_->RotationZ = camera.RotationZ;
            settings_->AtX = camera.At.x;
            settings_->AtY = camera.At.y;
            settings_->AtZ = camera.At.z;
        }
        if (menu_) {
            const bool full = maximized || isMaximized() || isFullScreen();
            RememberWindowRect(*settings_, full ? QRect(windowX, windowY, windowWidth, windowHeight) : geometry());
        }
        if (dialogOpened_) (void)RememberFolder(*settings_, CurrentDirectory());
        // The dialog browses by moving the working directory; the file goes
        // back beside the one that was read.
        QDir::setCurrent(startDirectory);
        QDir().mkpath(configDirectory);  // ~/.config/vorland on the first exit
        if (const Status written = settings_->Write(configDirectory.toStdString()); !written) {
            const std::string& why = written.Why();
            const QString text = Text(CTextId::kSettingsNotWritten).arg(QString::fromStdString(why));
            std::fprintf(stderr, "vorland: %s\n", text.toLocal8Bit().constData());
            if (messages_ && isVisible()) {
                // Leave once the user has read it.
                if (dialog_) dialog_->hide();
                messages_->SetAfterDismiss([] { QCoreApplication::quit(); });
                messages_->ShowMessage(text);
                return;
            }
        }
    }
    if (dialog_) dialog_->hide();
    if (messages_) messages_->hide();
    QCoreApplication::quit();
}

void CApplication::closeEvent(QCloseEvent* event) {
    CloseApplication();
    event->accept();
}
