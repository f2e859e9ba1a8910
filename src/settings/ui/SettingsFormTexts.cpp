// The settings dialog's texts: the frame, and per page its tree node, its
// kept title, its group box and the captions inside, read from a language
// file with the English defaults; the grids' texts are kept for the showings.
#include "settings/ui/SettingsForm.h"

#include "app/KeyTable.h"
#include "i18n/LangStrings.h"
#include "i18n/LanguageTable.h"
#include "settings/ui/LinkLabel.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace vx {

namespace {

// "SetHot" keys of the action column, rows 0 to 19 (key 17 heads the key column).
constexpr int kHotKeyActionKeys[SettingsForm::kHotKeyRows] = {4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                                                              14, 15, 16, 18, 19, 20, 21, 22, 23, 24};

constexpr const char* kPageSections[SettingsForm::kPageCount] = {
    lang::kSetType, lang::kSetFileType, lang::kSetLang, lang::kSetImages,
    lang::kSetFlash, lang::kSetWall,    lang::kSetHot,  lang::kSetAbout};

void setCaption(QWidget* w, const QString& text)
{
    if (auto* box = qobject_cast<QGroupBox*>(w))
        box->setTitle(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(text);
}

void wrapTo(QLabel* label, int width)
{
    label->setWordWrap(true);
    label->resize(width, label->heightForWidth(width));
}

}  // namespace

QString SettingsForm::hotKeyText(int row)
{
    // The key column comes from the key table, rows 1 to 19.
    return row > 0 && row < kHotKeyRows ? hotKeyGridKeys().value(row - 1) : QString();
}

void SettingsForm::LangSettingsForm(const QString& fileName)
{
    const LanguageTable table(fileName);
    auto text = [&table](const char* section, int key) { return table.text(QString::fromLatin1(section), key); };

    const int page = visiblePage();
    {
        QSignalBlocker block(TreeView);
        TreeView->clear();
    }

    setWindowTitle(text(lang::kSettings, 1));
    OKButton->setText(text(lang::kSettings, 2));
    AcceptButton->setText(text(lang::kSettings, 3));
    CancelButton->setText(text(lang::kSettings, 4));

    for (int i = 0; i < kPageCount; ++i) {
        const char* section = kPageSections[i];
        {
            QSignalBlocker block(TreeView);
            new QTreeWidgetItem(TreeView, QStringList(text(section, 1)));
        }
        pageTitles_[size_t(i)] = text(section, 2);
        pages[size_t(i)]->setTitle(text(section, 3));
    }

    // "SetType": the view page.
    const std::initializer_list<QWidget*> viewControls = {
        GroupBox9, ShowNameCheckBox, ShowNumbersCheckBox, GroupBox5};
    int key = 4;
    for (QWidget* w : viewControls)
        setCaption(w, text(lang::kSetType, key++));
    for (QCheckBox* box : buttonCheckBoxes)
        setCaption(box, text(lang::kSetType, key++));
    for (QWidget* w : std::initializer_list<QWidget*>{ShowStartLogoCheckBox, BackColorLabel, ChangeBackColorButton})
        setCaption(w, text(lang::kSetType, key++));

    // "SetFileType".
    FileAssignedLabel->setText(text(lang::kSetFileType, 4));
    wrapTo(FileAssignedLabel, 185);
    SelAllFileTypeButton->setText(text(lang::kSetFileType, 5));
    UnSelAllFileTypeButton->setText(text(lang::kSetFileType, 6));
    setCaption(OnStartCheckBox, text(lang::kSetFileType, 7));

    // "SetLang".
    ChooseLangLabel->setText(text(lang::kSetLang, 4));
    AuthorLabel->setText(text(lang::kSetLang, 5));
    for (int c = 0; c < 3; ++c)
        languageHeaders_[size_t(c)] = text(lang::kSetLang, 6 + c);

    // "SetImages".
    ScaleGroupBox->setTitle(text(lang::kSetImages, 4));
    OriginalSizeRadioButton->setText(text(lang::kSetImages, 5));
    ScaleBigRadioButton->setText(text(lang::kSetImages, 6));
    ScaleAlllRadioButton->setText(text(lang::kSetImages, 7));

    // "SetFlash".
    GroupBox1->setTitle(text(lang::kSetFlash, 4));
    for (int i = 0; i < 4; ++i)
        flashScaleButtons[size_t(i)]->setText(text(lang::kSetFlash, 5 + i));
    GroupBoxQuality->setTitle(text(lang::kSetFlash, 9));
    for (int i = 0; i < 3; ++i)
        flashQualityButtons[size_t(i)]->setText(text(lang::kSetFlash, 10 + i));
    GroupBoxOCXver->setTitle(text(lang::kSetFlash, 13));
    for (int i = 0; i < 2; ++i) {
        QLabel* line = i == 0 ? lbOCXver : lbCurOCXVer;
        const QString version = line->text().mid(versionPrefixes_[size_t(i)].size());
        versionPrefixes_[size_t(i)] = text(lang::kSetFlash, 14 + i);
        line->setText(versionPrefixes_[size_t(i)] + version);
    }
    GroupBoxFscommand->setTitle(text(lang::kSetFlash, 16));
    FscommandCheckBox->setText(text(lang::kSetFlash, 17));
    flashScaleButtons[4]->setText(text(lang::kSetFlash, 18));

    // "SetWall": the quality items are replaced in place, keeping the choice.
    Label2->setText(text(lang::kSetWall, 4));
    wrapTo(Label2, 337);
    GroupBox7->setTitle(text(lang::kSetWall, 5));
    CenterRadioButton->setText(text(lang::kSetWall, 6));
    ZamostRadioButton->setText(text(lang::kSetWall, 7));
    RastRadioButton->setText(text(lang::kSetWall, 8));
    GroupBox8->setTitle(text(lang::kSetWall, 9));
    FullScrRadioButton->setText(text(lang::kSetWall, 10));
    CenterScrRadioButton->setText(text(lang::kSetWall, 11));
    setCaption(TransperentCheckBox, text(lang::kSetWall, 12));
    setCaption(FlashAutoPlayCheckBox, text(lang::kSetWall, 13));
    Label3->setText(text(lang::kSetWall, 14));
    const int quality = QualityComboBox->currentIndex();
    for (int i = 0; i < 6; ++i)
        QualityComboBox->setItemText(i, text(lang::kSetWall, 15 + i));
    QualityComboBox->setCurrentIndex(quality);
    Label4->setText(text(lang::kSetWall, 21));
    ChangeWallBackColorButton->setText(text(lang::kSetWall, 22));

    // "SetHot": kept for the grid.
    for (int row = 0; row < kHotKeyRows; ++row)
        hotKeyActions_[size_t(row)] = text(lang::kSetHot, kHotKeyActionKeys[row]);
    hotKeyHeader_ = text(lang::kSetHot, 17);

    // "SetAbout": the name and version line falls back to a text of its own.
    const QString version = lang::kVersionText;
    QString nameLine = table.text(QString::fromLatin1(lang::kSetAbout), QStringLiteral("4"), QString()) +
                       QLatin1Char(' ') + version;
    if (nameLine == QLatin1Char(' ') + version)
        nameLine = QStringLiteral("Vextrel Viewer version ") + version;
    Label5->setText(nameLine);
    Label6->setText(text(lang::kSetAbout, 5));
    Label7->setText(text(lang::kSetAbout, 6));
    wrapTo(Label7, 262);
    Label8->setText(text(lang::kSetAbout, 7));
    for (QLabel* label : {Label5, Label6, Label8, static_cast<QLabel*>(Label9), static_cast<QLabel*>(Label11),
                          static_cast<QLabel*>(SendMailLabel), static_cast<QLabel*>(Label10), SponsorLabel}) {
        label->adjustSize();
        label->move((pages[7]->width() - label->width()) / 2, label->y());
    }

    // Title of the visible page; the grids take the kept texts.
    if (page >= 0) {
        NameSettingLabel->setText(pageTitles_[size_t(page)]);
        QSignalBlocker block(TreeView);
        TreeView->setCurrentItem(TreeView->topLevelItem(page));
    }
    writeGridTexts();
}

}  // namespace vx
