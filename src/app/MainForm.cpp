#include "app/MainForm.h"

#include "app/AfterPaint.h"
#include "app/HotKeyFilter.h"
#include "app/MovieHost.h"
#include "app/SaveCommand.h"
#include "app/StartArgument.h"
#include "platform/FileName.h"
#include "export/ui/ChangeQualityForm.h"
#include "flash/ui/FrameProgressBar.h"
#include "i18n/LangStrings.h"
#include "i18n/MainFormTexts.h"
#include "i18n/QtTranslations.h"
#include "i18n/SetLanguageModule.h"
#include "settings/ViewerSettings.h"
#include "skins/ui/SkinButton.h"
#include "viewer/BrowserCache.h"
#include "viewer/SupportedTypes.h"
#include "viewer/ViewGeometry.h"
#include "viewer/ui/NameLabel.h"
#include "viewer/ui/PictureControl.h"
#include "viewer/ui/RenameFileForm.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QToolTip>
#include <utility>

namespace vx {

namespace {

const QString kTitle = QStringLiteral("Vextrel Viewer");
const QString kLabelFontFamily = QStringLiteral("hooge 05_55 Cyr2");
const QColor kBarColor(212, 208, 200);

const char* const kButtonObjectNames[kBtnCount] = {
    "btnOpen", "btnSave", "btnSettings", "btnInfo", "btnSetWall", "btnRotate270", "btnRotate90",
    "btnPrev", "btnNext", "btnFullScreen", "btnMinimize", "btnMaximize", "btnClose",
    "btnPlay", "btnPause", "btnStop"};

int registeredFontId = -1;

// Makes the family the labels ask for resolve to the font shipped in Data/Font.
void registerInterfaceFont(const QString& programFolder)
{
    registeredFontId = QFontDatabase::addApplicationFont(programFolder + QStringLiteral("Data/Font/Vextrel_Viewer_Font.ttf"));
    if (registeredFontId < 0)
        return;
    const QStringList families = QFontDatabase::applicationFontFamilies(registeredFontId);
    if (!families.isEmpty())
        QFont::insertSubstitution(kLabelFontFamily, families.first());
}

// The viewer's icon, drawn at several sizes into Data/Icons by the build.
QIcon programIcon(const QString& programFolder)
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString file = programFolder + QStringLiteral("Data/Icons/vextrel-viewer-%1.png").arg(size);
        if (QFileInfo::exists(file))
            icon.addFile(file, QSize(size, size));
    }
    return icon;
}

void unregisterInterfaceFont()
{
    if (registeredFontId >= 0)
        QFontDatabase::removeApplicationFont(registeredFontId);
    registeredFontId = -1;
}

}  // namespace

MainForm::MainForm(const QString& programFolder, const QStringList& arguments, QWidget* parent,
                   std::unique_ptr<StartDecode> startDecode)
    : QWidget(parent), programFolder_(programFolder), arguments_(arguments), startDecode_(std::move(startDecode))
{
    // The start file is resolved before a skin is unpacked or anything else
    // runs, against the folder the program was started in.
    if (!arguments_.isEmpty())
        arguments_.first() = resolveStartArgument(arguments_.first());
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(kTitle);
    // Every window of the viewer (the dialogs too) shows its icon. Its seven
    // files are read once the window is on the screen: the window manager
    // takes an icon whenever it comes, and the first picture doesn't wait.
    runAfterNextPaint(
        this,
        [this] {
            const QIcon icon = programIcon(programFolder_);
            if (!icon.isNull()) {
                QApplication::setWindowIcon(icon);
                setWindowIcon(icon);
            }
        },
        1000);
    // No title bar; the sizing border is drawn and handled by the window itself.
    setWindowFlag(Qt::FramelessWindowHint, true);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMinimumSize(400, 55);
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setGeometry(273, 204, 702, 470);  // design bounds
    // The sizing border around the bars and the picture area.
    QPalette framePalette = palette();
    framePalette.setColor(QPalette::Window, QColor(64, 64, 64));
    setPalette(framePalette);
    setAutoFillBackground(true);
    buildWidgets();
    movie_ = new MovieHost(*this);
    save_ = new SaveCommand(*this);

    // The title effect runs from creation on.
    titleTimer_ = new QTimer(this);
    titleTimer_->setObjectName(QStringLiteral("MatrixStringTimer"));
    titleTimer_->setInterval(70);
    connect(titleTimer_, &QTimer::timeout, this, &MainForm::MatrixStringTimerTimer);
    titleTimer_->start();

    FormCreate(arguments_);
}

MainForm::~MainForm() = default;

void MainForm::setDialogs(QWidget* settings, QWidget* info, RenameFileForm* rename, ChangeQualityForm* quality)
{
    settingsForm_ = settings;
    infoForm_ = info;
    renameForm_ = rename;
    save_->setQualityForm(quality);
}

QString MainForm::CurrentExtension() const
{
    // A browser-cache entry has no extension: its content names its type.
    if (browserCache_)
        if (const CacheEntry* entry = browserCache_->find(state_.nav.CurrentPath))
            return entry->key;
    return extensionKey(state_.nav.CurrentPath);
}

const SupportedType* MainForm::currentType() const
{
    return findSupportedType(CurrentExtension());
}

bool MainForm::isMovieCurrent() const
{
    const SupportedType* type = currentType();
    return type && type->isMovie();
}

bool MainForm::isAnimationCurrent() const
{
    const SupportedType* type = currentType();
    return type && type->has(Animated);
}

ShockwaveFlash* MainForm::flash() const
{
    return movie_->flash();
}

bool MainForm::terminateRequested() const
{
    return movie_->terminateRequested();
}

void MainForm::btnSaveClick()
{
    save_->run();
}

void MainForm::SaveDialog1TypeChange(int filterIndex)
{
    save_->typeChanged(filterIndex);
}

QString MainForm::message(int key) const
{
    return lang::messageOrDefault(key);
}

void MainForm::buildWidgets()
{
    buttonsPanel_ = new QWidget(this);
    buttonsPanel_->setObjectName(QStringLiteral("ButtonsPanel"));
    buttonsPanel_->setAutoFillBackground(true);
    QPalette barPalette = buttonsPanel_->palette();
    barPalette.setColor(QPalette::Window, kBarColor);
    buttonsPanel_->setPalette(barPalette);
    buttonsPanel_->setFixedHeight(20);

    topMainImage_ = new QLabel(buttonsPanel_);
    topMainImage_->setObjectName(QStringLiteral("TopMainImage"));
    topMainImage_->installEventFilter(this);

    scrollBox_ = new QScrollArea(this);
    scrollBox_->setObjectName(QStringLiteral("ScrollBox"));
    scrollBox_->setFrameShape(QFrame::NoFrame);
    scrollBox_->setFocusPolicy(Qt::NoFocus);
    scrollBox_->setWidgetResizable(false);
    scrollContent_ = new QWidget;
    scrollContent_->setObjectName(QStringLiteral("ScrollBoxContent"));
    scrollBox_->setWidget(scrollContent_);
    scrollBox_->viewport()->installEventFilter(this);
    scrollContent_->installEventFilter(this);

    picture_ = new PictureControl(scrollContent_);
    picture_->setGeometry(0, 0, 0, 0);
    connect(picture_, &PictureControl::doubleClicked, this, &MainForm::FullScreenToggle);
    connect(picture_, &PictureControl::pictureFailed, this, &MainForm::pictureFailed);

    label_ = new NameLabel(scrollContent_);
    label_->move(8, 8);
    label_->setAttribute(Qt::WA_TranslucentBackground);
    label_->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont labelFont(kLabelFontFamily, 9);
    labelFont.setBold(true);
    label_->setFont(labelFont);
    setLabel(QString(), false);

    navPanel_ = new QWidget(this);
    navPanel_->setObjectName(QStringLiteral("NavButtonPanel"));
    navPanel_->setAutoFillBackground(true);
    navPanel_->setPalette(barPalette);
    navPanel_->setFixedHeight(20);
    navPanel_->hide();
    bottomMainImage_ = new QLabel(navPanel_);
    bottomMainImage_->setObjectName(QStringLiteral("BottomMainImage"));
    progressBarFrame_ = new FrameProgressBar(navPanel_);
    currentFrameLabel_ = new QLabel(navPanel_);
    currentFrameLabel_->setObjectName(QStringLiteral("CurrentFrameLabel"));
    currentFrameLabel_->setFont(labelFont);

    for (int i = 0; i < kBtnCount; ++i) {
        QWidget* bar = i < kBtnPlay ? buttonsPanel_ : navPanel_;
        auto* b = new SkinButton(bar);
        b->setObjectName(QLatin1String(kButtonObjectNames[i]));
        b->setStateCount(sc2);
        b->setState(bsNormal);
        b->setAutoSetState(true);
        b->setBackgroundColor(QColor(255, 0, 0));
        b->setShowHint(true);
        b->resize(25, 19);
        b->setFocusPolicy(Qt::NoFocus);
        buttons_[size_t(i)] = b;
    }
    buttons_[kBtnPause]->hide();

    // Button commands: Rotate, Previous and Next act on release over the button.
    auto onRelease = [this](SkinButtonIndex i, auto command) {
        connect(buttons_[i], &SkinButton::mouseUp, this, [this, i, command](Qt::MouseButton, QPoint pos) {
            if (buttons_[i]->rect().contains(pos))
                (this->*command)();
        });
    };
    onRelease(kBtnPrev, &MainForm::PreviousFile);
    onRelease(kBtnNext, &MainForm::NextFile);
    connect(buttons_[kBtnRotate270], &SkinButton::mouseUp, this, [this](Qt::MouseButton, QPoint pos) {
        if (buttons_[kBtnRotate270]->rect().contains(pos))
            RotatePicture(270);
    });
    connect(buttons_[kBtnRotate90], &SkinButton::mouseUp, this, [this](Qt::MouseButton, QPoint pos) {
        if (buttons_[kBtnRotate90]->rect().contains(pos))
            RotatePicture(90);
    });
    connect(buttons_[kBtnOpen], &SkinButton::clicked, this, &MainForm::OpenCommand);
    connect(buttons_[kBtnSave], &SkinButton::clicked, this, &MainForm::btnSaveClick);
    connect(buttons_[kBtnSettings], &SkinButton::clicked, this, &MainForm::ShowSettingsDialog);
    connect(buttons_[kBtnInfo], &SkinButton::clicked, this, &MainForm::btnInfoClick);
    connect(buttons_[kBtnSetWall], &SkinButton::clicked, this, &MainForm::btnSetWallClick);
    connect(buttons_[kBtnFullScreen], &SkinButton::clicked, this, &MainForm::FullScreenToggle);
    connect(buttons_[kBtnMinimize], &SkinButton::clicked, this, [this] { showMinimized(); });
    connect(buttons_[kBtnMaximize], &SkinButton::clicked, this, &MainForm::MaximizeToggle);
    connect(buttons_[kBtnClose], &SkinButton::clicked, this, [this] { close(); });
    setBackColor(backColor_);
}

void MainForm::setBackColor(ColorRef color)
{
    backColor_ = color;
    QPalette p = scrollBox_->palette();
    p.setColor(QPalette::Window, QColor::fromRgb(rgbFromColorRef(color)));
    scrollBox_->setPalette(p);
    scrollBox_->setAutoFillBackground(true);
    scrollBox_->viewport()->setPalette(p);
    scrollBox_->viewport()->setAutoFillBackground(true);
    scrollContent_->setAutoFillBackground(false);
}

void MainForm::setLabel(const QString& text, bool red, std::optional<bool> error)
{
    labelRed_ = error.value_or(red);
    QPalette p = label_->palette();
    p.setColor(QPalette::WindowText, red ? QColor(255, 0, 0) : QColor(0, 255, 0));
    label_->setPalette(p);
    label_->setText(text);
    label_->adjustSize();
    label_->raise();
}

bool MainForm::labelIsRed() const
{
    return labelRed_;
}

void MainForm::applyLanguage(const QString& path)
{
    SaveLanguage(path);
    applyQtTranslations(path);
    const MainFormTexts texts = LangMainForm(path);
    for (int i = 0; i < kBtnCount; ++i)
        buttons_[size_t(i)]->setToolTip(texts.hints[size_t(i)]);
}

void MainForm::FormCreate(const QStringList& arguments)
{
    // The hint look: the program font, 8 points, bold, on white.
    QFont hintFont(kLabelFontFamily, 8);
    hintFont.setBold(true);
    QToolTip::setFont(hintFont);
    QPalette hintPalette = QToolTip::palette();
    hintPalette.setColor(QPalette::ToolTipBase, Qt::white);
    hintPalette.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(hintPalette);

    firstShowPending_ = true;

    movie_->create();
    registerInterfaceFont(programFolder_);
    setOpenFilterBuilder(&buildOpenFilter);

    const StartupSettings s = readStartupSettings(programFolder_);
    // Skin, language and filter are applied even when the settings key can't
    // be opened: the built-in skin and the default language stand in.
    if (!s.skinPath.isEmpty())
        LoadSkin(s.skinPath);
    else
        SetDefaultSkin();
    applyLanguage(s.languagePath);
    if (s.keyOpened) {
        applyButtonsVisible(s.buttonsVisible);
        label_->setVisible(s.fileNameLabelVisible);
        state_.currentFileNumberVisible = s.fileNumberVisible;
        state_.imageScale = s.imageScale;
        movie_->showFsCommandMessage = s.showFsCommandMessage;
        movie_->resizeWindowToMovie = s.resizeWindowToMovie;
        movie_->applySettings(s.flashScaleMode, s.flashQuality);
        setBackColor(s.backColor);
        const QRect area = workArea();
        if (s.fullScreen) {
            setGeometry(area);
            FullScreenToggle();
        } else {
            setGeometry(s.formBounds ? clampToArea(*s.formBounds, area) : defaultWindowBounds(area));
        }
    } else {
        setBackColor(colorRefFromRgb(palette().color(QPalette::Button).rgb()));
    }

    hotKeys_ = std::make_unique<HotKeyFilter>(this);
    qApp->installEventFilter(hotKeys_.get());

    chooseStartFile(arguments);
    // Taken by the open just made, or of no use: a decode not taken stops.
    startDecode_.reset();
}

void MainForm::chooseStartFile(const QStringList& arguments)
{
    if (arguments.isEmpty()) {
        if (startLogoWanted()) {
            state_.nav.CurrentPath = programFolder_ + QStringLiteral("Vextrel Viewer Flash.swf");
            if (QFileInfo::exists(state_.nav.CurrentPath)) {
                openAtFirstShow_ = true;
            } else {
                StopTitleEffect();
                setLabel(lang::splashMissingText(), true);
                disableStartLogo();
                state_.nav.CurrentPath.clear();
            }
        }
        return;
    }
    state_.nav.CurrentPath = arguments.first();
    if (!fileExists(state_.nav.CurrentPath) || QFileInfo(state_.nav.CurrentPath).isDir()) {
        ShowLabelError(message(lang::FileNotExist));
        return;
    }
    const QString key = extensionKey(state_.nav.CurrentPath);
    if (key == QLatin1String("VXSKIN")) {
        LoadSkin(state_.nav.CurrentPath);
        state_.nav.CurrentPath.clear();
    } else if (const SupportedType* type = findSupportedType(key); type && type->isMovie()) {
        openAtFirstShow_ = true;
    } else {
        openAtFirstShow_ = false;
        state_.nav.RebuildFolderList();
        OpenCurrentFile();
    }
}

void MainForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    FormShow();
}

void MainForm::FormShow()
{
    setAcceptDrops(true);
    if (!firstShowPending_)
        return;
    firstShowPending_ = false;
    applyDialogLanguages(CurrentLanguageFile());
    if (openAtFirstShow_) {
        state_.nav.RebuildFolderList();
        OpenCurrentFile();
    }
}

void MainForm::MatrixStringTimerTimer()
{
    if (!state_.nav.CurrentPath.isEmpty())
        return;
    if (label_->text().size() >= kTitle.size()) {
        StopTitleEffect();
        return;
    }
    setLabel(label_->text() + kTitle[titlePosition_], false);
    ++titlePosition_;
}

void MainForm::StopTitleEffect()
{
    delete titleTimer_;
    titleTimer_ = nullptr;
}

void MainForm::closeEvent(QCloseEvent* event)
{
    FormDestroy();
    QWidget::closeEvent(event);
}

void MainForm::FormDestroy()
{
    if (destroyed_)
        return;
    destroyed_ = true;
    cancelOpen();
    dropDecodeAhead();
    decoder_.reset();
    movie_->destroy();
    unregisterInterfaceFont();
    writeShutdownSettings(frameGeometry(), frame_.fullScreen(), backColor_);
    if (hotKeys_) {
        qApp->removeEventFilter(hotKeys_.get());
        hotKeys_.reset();
    }
    if (isAnimationCurrent())
        picture_->clearPicture();
}

}  // namespace vx
