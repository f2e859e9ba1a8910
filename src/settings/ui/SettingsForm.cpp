// The settings dialog's frame and pages: every control at its place.
#include "settings/ui/SettingsForm.h"

#include "app/MainForm.h"
#include "settings/FileAssociations.h"
#include "settings/ProductLinks.h"
#include "settings/ui/LinkLabel.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLinearGradient>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableWidget>
#include <QTreeWidget>
#include <QWindow>

namespace vx {

namespace {

const QColor kCream(0xF0, 0xFB, 0xFF);  // clCream
const QColor kNavy(0x00, 0x00, 0x80);
const QString kTitleFontFamily = QStringLiteral("hooge 05_55 Cyr2");

template <class T>
T* make(QWidget* parent, const char* name, const QRect& geometry)
{
    T* w = new T(parent);
    w->setObjectName(QLatin1String(name));
    w->setGeometry(geometry);
    return w;
}

void setBackground(QWidget* w, const QColor& color)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Base, color);
    p.setColor(QPalette::Window, color);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

// A read-only grid whose row 0 is a fixed header, as the dialog's two lists.
QTableWidget* makeGrid(QWidget* parent, const char* name, const QRect& geometry, int columns, int rows)
{
    auto* grid = make<QTableWidget>(parent, name, geometry);
    grid->setColumnCount(columns);
    grid->setRowCount(rows);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(16);
    grid->verticalHeader()->setMinimumSectionSize(16);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    return grid;
}

}  // namespace

SettingsForm::SettingsForm(MainForm* main) : QDialog(main, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), main_(main)
{
    setObjectName(QStringLiteral("SettingsForm"));
    setWindowTitle(QStringLiteral("Настройки"));
    setModal(true);
    setFixedSize(494, 417);
    buildFrame();
    buildViewPage(pages[0]);
    buildFileTypesPage(pages[1]);
    buildLanguagePage(pages[2]);
    buildImagesPage(pages[3]);
    buildFlashPage(pages[4]);
    buildDesktopPage(pages[5]);
    buildHotKeysPage(pages[6]);
    buildAboutPage(pages[7]);

    // FormCreate: no language row chosen, nothing touched, the first page.
    fileTypesTouched_ = false;
    LangSettingsForm(QString());
    selectPage(0);
}

SettingsForm::~SettingsForm() = default;

void SettingsForm::buildFrame()
{
    BackImagePanel = make<QLabel>(this, "BackImagePanel", QRect(134, 4, 356, 65));
    setBackground(BackImagePanel, Qt::white);
    BackSettingsImage = make<QLabel>(BackImagePanel, "BackSettingsImage", QRect(0, 0, 356, 65));
    paintTitlePicture();
    NameSettingLabel = make<QLabel>(BackImagePanel, "NameSettingLabel", QRect(14, 22, 240, 24));
    QFont titleFont(kTitleFontFamily, 12);
    titleFont.setStyleHint(QFont::SansSerif);
    NameSettingLabel->setFont(titleFont);
    QPalette titlePalette = NameSettingLabel->palette();
    titlePalette.setColor(QPalette::WindowText, kNavy);
    NameSettingLabel->setPalette(titlePalette);
    for (QWidget* w : {static_cast<QWidget*>(BackImagePanel), static_cast<QWidget*>(BackSettingsImage),
                       static_cast<QWidget*>(NameSettingLabel)})
        w->installEventFilter(this);

    TreeView = make<QTreeWidget>(this, "TreeView", QRect(4, 4, 126, 375));
    TreeView->setHeaderHidden(true);
    TreeView->setRootIsDecorated(false);
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    setBackground(TreeView, kCream);
    connect(TreeView, &QTreeWidget::currentItemChanged, this, [this] { TreeViewGetSelectedIndex(); });

    static const char* const pageNames[kPageCount] = {"GroupBoxView",  "GroupBoxExt",   "GroupBoxLang",
                                                      "GroupBoxImages", "GroupBoxFlash", "GroupBoxDesk",
                                                      "GroupBoxHot",    "GroupBoxAbout"};
    for (int i = 0; i < kPageCount; ++i) {
        pages[size_t(i)] = make<QGroupBox>(this, pageNames[i], QRect(134, 72, 357, 308));
        pages[size_t(i)]->setVisible(i == 0);
    }

    OKButton = make<QPushButton>(this, "OKButton", QRect(254, 386, 75, 25));
    AcceptButton = make<QPushButton>(this, "AcceptButton", QRect(334, 386, 75, 25));
    CancelButton = make<QPushButton>(this, "CancelButton", QRect(414, 386, 75, 25));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &SettingsForm::OKButtonClick);
    connect(AcceptButton, &QPushButton::clicked, this, [this] { AcceptButtonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, &SettingsForm::CancelButtonClick);
}

void SettingsForm::paintTitlePicture()
{
    QPixmap picture(356, 65);
    picture.fill(Qt::white);
    QPainter p(&picture);
    QLinearGradient fade(QPointF(180, 0), QPointF(356, 0));
    fade.setColorAt(0, Qt::white);
    fade.setColorAt(1, QColor(0xC8, 0xD8, 0xF0));
    p.fillRect(QRect(180, 0, 176, 65), fade);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QColor shades[] = {QColor(0x90, 0xB0, 0xE0), QColor(0x60, 0x88, 0xC8), QColor(0x30, 0x58, 0xA8)};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(shades[i]);
        p.drawEllipse(QPointF(300 + i * 14, 32), 18 - i * 4, 18 - i * 4);
    }
    p.setPen(QPen(QColor(0x30, 0x58, 0xA8), 2));
    p.drawLine(14, 52, 250, 52);
    BackSettingsImage->setPixmap(picture);
}

void SettingsForm::buildViewPage(QGroupBox* page)
{
    GroupBox9 = make<QGroupBox>(page, "GroupBox9", QRect(8, 16, 341, 62));
    ShowNameCheckBox = make<QCheckBox>(GroupBox9, "ShowNameCheckBox", QRect(10, 18, 320, 18));
    ShowNumbersCheckBox = make<QCheckBox>(GroupBox9, "ShowNumbersCheckBox", QRect(10, 38, 320, 18));
    connect(ShowNameCheckBox, &QCheckBox::clicked, this, &SettingsForm::ShowNameCheckBoxClick);

    GroupBox5 = make<QGroupBox>(page, "GroupBox5", QRect(8, 84, 170, 216));
    static const char* const names[9] = {"OpenCheckBox",      "SaveAsCheckBox",    "SettingsCheckBox",
                                         "InfoCheckBox",      "SetWallCheckBox",   "Rotate270CheckBox",
                                         "Rotate90CheckBox",  "PrevCheckBox",      "NextCheckBox"};
    for (int i = 0; i < 9; ++i) {
        buttonCheckBoxes[size_t(i)] = make<QCheckBox>(GroupBox5, names[i], QRect(10, 20 + i * 21, 155, 18));
        buttonCheckBoxes[size_t(i)]->setChecked(true);
    }

    ShowStartLogoCheckBox = make<QCheckBox>(page, "ShowStartLogoCheckBox", QRect(188, 92, 160, 18));
    BackColorLabel = make<QLabel>(page, "BackColorLabel", QRect(188, 126, 160, 16));
    BackColorPanel = make<QFrame>(page, "BackColorPanel", QRect(188, 146, 50, 25));
    BackColorPanel->setFrameShape(QFrame::Panel);
    BackColorPanel->setFrameShadow(QFrame::Sunken);
    ChangeBackColorButton = make<QPushButton>(page, "ChangeBackColorButton", QRect(246, 146, 90, 25));
    connect(ChangeBackColorButton, &QPushButton::clicked, this, &SettingsForm::ChangeBackColorButtonClick);
}

void SettingsForm::buildFileTypesPage(QGroupBox* page)
{
    FileTypeCheckListBox = make<QListWidget>(page, "FileTypeCheckListBox", QRect(8, 20, 150, 280));
    setBackground(FileTypeCheckListBox, kCream);
    for (const AssociationGroup& row : associationRows()) {
        auto* item = new QListWidgetItem(row.item, FileTypeCheckListBox);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    connect(FileTypeCheckListBox, &QListWidget::itemChanged, this, [this] {
        // FileTypeCheckListBoxClickCheck: a change the user made.
        if (!filling_)
            fileTypesTouched_ = true;
    });
    FileAssignedLabel = make<QLabel>(page, "FileAssignedLabel", QRect(166, 20, 185, 150));
    FileAssignedLabel->setWordWrap(true);
    FileAssignedLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SelAllFileTypeButton = make<QPushButton>(page, "SelAllFileTypeButton", QRect(166, 206, 150, 25));
    UnSelAllFileTypeButton = make<QPushButton>(page, "UnSelAllFileTypeButton", QRect(166, 238, 150, 25));
    connect(SelAllFileTypeButton, &QPushButton::clicked, this, &SettingsForm::SelAllFileTypeButtonClick);
    connect(UnSelAllFileTypeButton, &QPushButton::clicked, this, &SettingsForm::UnSelAllFileTypeButtonClick);
    OnStartCheckBox = make<QCheckBox>(page, "OnStartCheckBox", QRect(166, 276, 185, 18));
    OnStartCheckBox->setChecked(false);
    OnStartCheckBox->setEnabled(false);
}

void SettingsForm::buildLanguagePage(QGroupBox* page)
{
    ChooseLangLabel = make<QLabel>(page, "ChooseLangLabel", QRect(8, 20, 341, 16));
    LangStringGrid = makeGrid(page, "LangStringGrid", QRect(8, 38, 341, 130), 3, 2);
    LangStringGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    LangStringGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    LangStringGrid->setColumnWidth(0, 120);
    LangStringGrid->setColumnWidth(1, 120);
    LangStringGrid->setColumnWidth(2, 80);
    connect(LangStringGrid, &QTableWidget::currentCellChanged, this, [this](int row, int, int previousRow, int) {
        if (row == 0) {
            // The header row is fixed: the selection stays where it was.
            QSignalBlocker block(LangStringGrid);
            LangStringGrid->setCurrentCell(previousRow > 0 ? previousRow : -1, 0);
            return;
        }
        if (row > 0 && row != previousRow)
            LangStringGridSelectCell(row);
    });
    AuthorLabel = make<QLabel>(page, "AuthorLabel", QRect(8, 176, 341, 16));
    AuthorLangMemo = make<QPlainTextEdit>(page, "AuthorLangMemo", QRect(8, 194, 341, 104));
    AuthorLangMemo->setReadOnly(true);
}

void SettingsForm::buildImagesPage(QGroupBox* page)
{
    ScaleGroupBox = make<QGroupBox>(page, "ScaleGroupBox", QRect(8, 20, 341, 96));
    OriginalSizeRadioButton = make<QRadioButton>(ScaleGroupBox, "OriginalSizeRadioButton", QRect(10, 20, 326, 18));
    ScaleBigRadioButton = make<QRadioButton>(ScaleGroupBox, "ScaleBigRadioButton", QRect(10, 44, 320, 18));
    ScaleAlllRadioButton = make<QRadioButton>(ScaleGroupBox, "ScaleAlllRadioButton", QRect(10, 68, 320, 18));
}

void SettingsForm::buildFlashPage(QGroupBox* page)
{
    GroupBox1 = make<QGroupBox>(page, "GroupBox1", QRect(8, 16, 214, 132));
    static const char* const scaleNames[5] = {"RadioButtonShowAll", "RadioButtonNoBorder", "RadioButtonExactFit",
                                              "RadioButtonNoScale", "RadioButtonScaleForm"};
    for (int i = 0; i < 5; ++i)
        flashScaleButtons[size_t(i)] = make<QRadioButton>(GroupBox1, scaleNames[i], QRect(10, 20 + i * 21, 200, 18));
    GroupBoxQuality = make<QGroupBox>(page, "GroupBoxQuality", QRect(228, 16, 121, 132));
    static const char* const qualityNames[3] = {"RadioButtonHigh", "RadioButtonMedium", "RadioButtonLow"};
    for (int i = 0; i < 3; ++i)
        flashQualityButtons[size_t(i)] = make<QRadioButton>(GroupBoxQuality, qualityNames[i], QRect(10, 20 + i * 21, 106, 18));
    GroupBoxOCXver = make<QGroupBox>(page, "GroupBoxOCXver", QRect(8, 154, 341, 64));
    lbOCXver = make<QLabel>(GroupBoxOCXver, "lbOCXver", QRect(10, 20, 325, 16));
    lbCurOCXVer = make<QLabel>(GroupBoxOCXver, "lbCurOCXVer", QRect(10, 40, 325, 16));
    GroupBoxFscommand = make<QGroupBox>(page, "GroupBoxFscommand", QRect(8, 224, 341, 48));
    FscommandCheckBox = make<QCheckBox>(GroupBoxFscommand, "FscommandCheckBox", QRect(10, 20, 325, 18));
}

void SettingsForm::buildDesktopPage(QGroupBox* page)
{
    Label2 = make<QLabel>(page, "Label2", QRect(8, 18, 337, 32));
    Label2->setWordWrap(true);
    GroupBox7 = make<QGroupBox>(page, "GroupBox7", QRect(8, 56, 132, 96));
    CenterRadioButton = make<QRadioButton>(GroupBox7, "CenterRadioButton", QRect(10, 20, 110, 18));
    ZamostRadioButton = make<QRadioButton>(GroupBox7, "ZamostRadioButton", QRect(10, 44, 110, 18));
    RastRadioButton = make<QRadioButton>(GroupBox7, "RastRadioButton", QRect(10, 68, 110, 18));
    RastRadioButton->setChecked(true);

    GroupBox8 = make<QGroupBox>(page, "GroupBox8", QRect(146, 56, 203, 186));
    FullScrRadioButton = make<QRadioButton>(GroupBox8, "FullScrRadioButton", QRect(10, 20, 190, 18));
    CenterScrRadioButton = make<QRadioButton>(GroupBox8, "CenterScrRadioButton", QRect(10, 42, 190, 18));
    FullScrRadioButton->setChecked(true);
    TransperentCheckBox = make<QCheckBox>(GroupBox8, "TransperentCheckBox", QRect(10, 70, 190, 18));
    FlashAutoPlayCheckBox = make<QCheckBox>(GroupBox8, "FlashAutoPlayCheckBox", QRect(10, 92, 190, 18));
    Label3 = make<QLabel>(GroupBox8, "Label3", QRect(10, 122, 70, 16));
    QualityComboBox = make<QComboBox>(GroupBox8, "QualityComboBox", QRect(82, 118, 118, 22));
    for (int i = 0; i < 6; ++i)
        QualityComboBox->addItem(QString());
    QualityComboBox->setCurrentIndex(2);
    Label4 = make<QLabel>(GroupBox8, "Label4", QRect(10, 154, 70, 16));
    WallpaperBackColorPanel = make<QFrame>(GroupBox8, "WallpaperBackColorPanel", QRect(82, 150, 36, 24));
    WallpaperBackColorPanel->setFrameShape(QFrame::Panel);
    WallpaperBackColorPanel->setFrameShadow(QFrame::Sunken);
    ChangeWallBackColorButton = make<QPushButton>(GroupBox8, "ChangeWallBackColorButton", QRect(124, 150, 76, 24));
    connect(ChangeWallBackColorButton, &QPushButton::clicked, this, &SettingsForm::ChangeWallBackColorButtonClick);
}

void SettingsForm::buildHotKeysPage(QGroupBox* page)
{
    HotKeyStrGrid = makeGrid(page, "HotKeyStrGrid", QRect(8, 20, 341, 280), 2, kHotKeyRows);
    HotKeyStrGrid->setColumnWidth(0, 185);
    HotKeyStrGrid->setColumnWidth(1, 135);
    HotKeyStrGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    HotKeyStrGrid->setSelectionMode(QAbstractItemView::NoSelection);
    HotKeyStrGrid->setFocusPolicy(Qt::NoFocus);
}

void SettingsForm::buildAboutPage(QGroupBox* page)
{
    Label5 = make<QLabel>(page, "Label5", QRect(8, 28, 200, 16));
    QFont bold = Label5->font();
    bold.setBold(true);
    Label5->setFont(bold);
    Label6 = make<QLabel>(page, "Label6", QRect(8, 50, 200, 16));
    Label7 = make<QLabel>(page, "Label7", QRect(47, 84, 262, 32));
    Label7->setWordWrap(true);
    Label7->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label9 = new LinkLabel(links::kHomePage.text, links::kHomePage.target, page);
    Label9->setObjectName(QStringLiteral("Label9"));
    Label9->move(8, 124);
    Label11 = new LinkLabel(links::kSkinsPage.text, links::kSkinsPage.target, page);
    Label11->setObjectName(QStringLiteral("Label11"));
    Label11->move(8, 144);
    Label8 = make<QLabel>(page, "Label8", QRect(8, 176, 200, 16));
    SendMailLabel = new LinkLabel(links::kMail.text, links::kMail.target, page);
    SendMailLabel->setObjectName(QStringLiteral("SendMailLabel"));
    SendMailLabel->move(8, 196);
    SponsorLabel = make<QLabel>(page, "SponsorLabel", QRect(8, 238, 200, 16));
    SponsorLabel->setText(links::kSponsorCaption);
    SponsorLabel->adjustSize();
    Label10 = new LinkLabel(links::kSponsor.text, links::kSponsor.target, page);
    Label10->setObjectName(QStringLiteral("Label10"));
    Label10->move(8, 258);
}

void SettingsForm::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        // Centred on the screen, then filled.
        if (const QScreen* screen = main_ ? main_->screen() : nullptr)
            move(screen->geometry().center() - QPoint(width() / 2, height() / 2));
        FormShow();
    }
    QDialog::showEvent(event);
}

bool SettingsForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != BackImagePanel && watched != BackSettingsImage && watched != NameSettingLabel)
        return QDialog::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (mouse->button() == Qt::LeftButton) {
            // The window system moves the dialog where it can; otherwise we do.
            dragging_ = !(windowHandle() && windowHandle()->startSystemMove());
            dragOffset_ = mouse->globalPosition().toPoint() - pos();
            return true;
        }
        break;
    case QEvent::MouseMove:
        if (dragging_) {
            move(mouse->globalPosition().toPoint() - dragOffset_);
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        dragging_ = false;
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

int SettingsForm::visiblePage() const
{
    for (int i = 0; i < kPageCount; ++i)
        if (pages[size_t(i)]->isVisibleTo(const_cast<SettingsForm*>(this)))
            return i;
    return -1;
}

void SettingsForm::selectPage(int page)
{
    if (page >= 0 && page < TreeView->topLevelItemCount())
        TreeView->setCurrentItem(TreeView->topLevelItem(page));
}

void SettingsForm::TreeViewGetSelectedIndex()
{
    for (int i = 0; i < TreeView->topLevelItemCount() && i < kPageCount; ++i) {
        if (TreeView->topLevelItem(i) != TreeView->currentItem())
            continue;
        NameSettingLabel->setText(pageTitles_[size_t(i)]);
        for (int k = 0; k < kPageCount; ++k)
            pages[size_t(k)]->setVisible(k == i);
    }
}

void SettingsForm::setSwatch(QFrame* panel, ColorRef color)
{
    if (panel == BackColorPanel)
        backColor_ = color;
    else
        wallColor_ = color;
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, QColor::fromRgb(rgbFromColorRef(color)));
    panel->setPalette(p);
    panel->setAutoFillBackground(true);
}

std::optional<ColorRef> SettingsForm::runColorDialog(ColorRef initial)
{
    // One colour dialog for both buttons; it opens on the colour last chosen in it.
    const ColorRef start = lastChosenColor_.value_or(initial);
    std::optional<ColorRef> chosen;
    if (chooseColor) {
        chosen = chooseColor(start);
    } else {
        if (!BackColorDialog) {
            BackColorDialog = new QColorDialog(this);
            BackColorDialog->setObjectName(QStringLiteral("BackColorDialog"));
        }
        BackColorDialog->setCurrentColor(QColor::fromRgb(rgbFromColorRef(start)));
        if (BackColorDialog->exec() == QDialog::Accepted)
            chosen = colorRefFromRgb(BackColorDialog->currentColor().rgb());
    }
    if (chosen)
        lastChosenColor_ = chosen;
    return chosen;
}

void SettingsForm::ChangeBackColorButtonClick()
{
    if (auto c = runColorDialog(backColor_))
        setSwatch(BackColorPanel, *c);
}

void SettingsForm::ChangeWallBackColorButtonClick()
{
    if (auto c = runColorDialog(wallColor_))
        setSwatch(WallpaperBackColorPanel, *c);
}

void SettingsForm::ShowNameCheckBoxClick()
{
    if (ShowNameCheckBox->isChecked()) {
        ShowNumbersCheckBox->setEnabled(true);
    } else {
        ShowNumbersCheckBox->setChecked(false);
        ShowNumbersCheckBox->setEnabled(false);
    }
}

void SettingsForm::SelAllFileTypeButtonClick()
{
    for (int i = 0; i < FileTypeCheckListBox->count(); ++i)
        FileTypeCheckListBox->item(i)->setCheckState(Qt::Checked);
    fileTypesTouched_ = true;
}

void SettingsForm::UnSelAllFileTypeButtonClick()
{
    for (int i = 0; i < FileTypeCheckListBox->count(); ++i)
        FileTypeCheckListBox->item(i)->setCheckState(Qt::Unchecked);
    fileTypesTouched_ = true;
}

void SettingsForm::OKButtonClick()
{
    // A write that had to succeed and didn't keeps the dialog open.
    if (AcceptButtonClick())
        accept();
}

void SettingsForm::CancelButtonClick()
{
    reject();
}

void SettingsForm::report(const QString& text)
{
    if (showMessage)
        showMessage(text);
    else if (main_ && main_->showMessage)
        main_->showMessage(text);
    else
        QMessageBox::warning(this, windowTitle(), text);
}

}  // namespace vx
