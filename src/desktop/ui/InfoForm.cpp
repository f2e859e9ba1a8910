#include "desktop/ui/InfoForm.h"

#include "desktop/FileInfoText.h"
#include "desktop/ui/FileProperties.h"
#include "i18n/LangStrings.h"
#include "i18n/LanguageTable.h"
#include "viewer/FolderList.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vx {

namespace {

constexpr int kClientWidth = 375;
constexpr int kRowLeft = 5;
constexpr int kRowWidth = 364;
constexpr int kRowHeight = 21;
constexpr int kLabelAbove = 16;   // the label's top above its edit's top
constexpr int kRowStep = 40;      // between the tops of stacked rows
constexpr int kButtonsBelow = 27; // from the top of the last row to the buttons
constexpr int kButtonHeight = 25;
constexpr int kBottomMargin = 5;
const QColor kCream(255, 251, 240);

}  // namespace

InfoForm::InfoForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("InfoForm"));
    setWindowTitle(QString::fromUtf8("Информация о файле"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setModal(true);

    // Design-time rows; the English captions stand until a language is applied.
    FileNameEdit = addRow("FileNameEdit", 17);
    FilePathEdit = addRow("FilePathEdit", 56);
    FullPathEdit = addRow("FullPathEdit", 96);
    LastUpdateEdit = addRow("LastUpdateEdit", 136);
    FileSizeEdit = addRow("FileSizeEdit", 176);
    FramesCountFlashEdit = addRow("FramesCountFlashEdit", 216);
    CurrentSizeEdit = addRow("CurrentSizeEdit", 256);
    OriginalSizeEdit = addRow("OriginalSizeEdit", 296);
    FramesCountGIFEdit = addRow("FramesCountGIFEdit", 336);
    FlashSceneSizeEdit = addRow("FlashSceneSizeEdit", 376);

    ButtonWinProperties = new QPushButton(this);
    ButtonWinProperties->setObjectName(QStringLiteral("ButtonWinProperties"));
    ButtonWinProperties->setAutoDefault(false);
    ButtonOK = new QPushButton(this);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setDefault(true);
    placeButtons(403);
    setFixedSize(kClientWidth, 403 + kButtonHeight + kBottomMargin);

    connect(ButtonOK, &QPushButton::clicked, this, &InfoForm::ButtonOKClick);
    connect(ButtonWinProperties, &QPushButton::clicked, this, &InfoForm::ButtonWinPropertiesClick);
    showProperties = [this](const QString& path) { showFileProperties(path, this); };

    // The row labels start with their English texts, the caption and the
    // Advanced button with the design-time Russian ones, until a language
    // is applied.
    applyLanguage(LanguageTable());
    setWindowTitle(QString::fromUtf8("Информация о файле"));
    ButtonWinProperties->setText(QString::fromUtf8("Дополнительно"));
}

QLineEdit* InfoForm::addRow(const char* name, int top)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(true);
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, kCream);
    edit->setPalette(p);
    auto* caption = new QLabel(this);
    caption->setObjectName(QLatin1String(name) + QStringLiteral("Label"));
    caption->setBuddy(edit);
    edit->setProperty("vxLabel", QVariant::fromValue(static_cast<QObject*>(caption)));
    placeRow(edit, top, true);
    return edit;
}

QLabel* InfoForm::labelOf(const QLineEdit* edit) const
{
    return qobject_cast<QLabel*>(edit->property("vxLabel").value<QObject*>());
}

void InfoForm::placeRow(QLineEdit* edit, int top, bool shown)
{
    QLabel* label = labelOf(edit);
    edit->setGeometry(kRowLeft, top, kRowWidth, kRowHeight);
    label->setGeometry(kRowLeft, top - kLabelAbove, kRowWidth, kLabelAbove - 2);
    edit->setVisible(shown);
    label->setVisible(shown);
}

void InfoForm::placeButtons(int top)
{
    ButtonWinProperties->setGeometry(184, top, 105, kButtonHeight);
    ButtonOK->setGeometry(294, top, 75, kButtonHeight);
}

void InfoForm::fill(const FileFacts& f)
{
    path_ = f.path;
    FileNameEdit->setText(fileNameOf(f.path));
    FilePathEdit->setText(folderOf(f.path));
    FullPathEdit->setText(f.path);
    LastUpdateEdit->setText(changeTimeText(f.changed));
    FileSizeEdit->setText(fileSizeText(f.size, f.bytesWord, f.kbWord));
    for (QLineEdit* e : {FileNameEdit, FilePathEdit, FullPathEdit, LastUpdateEdit, FileSizeEdit})
        e->setCursorPosition(0);

    const int sizeTop = FileSizeEdit->y();
    int lastTop;
    if (!f.movie) {
        placeRow(FramesCountFlashEdit, FramesCountFlashEdit->y(), false);
        placeRow(FlashSceneSizeEdit, FlashSceneSizeEdit->y(), false);
        CurrentSizeEdit->setText(QString::number(f.currentSize.width()) + QStringLiteral(" x ")
                                 + QString::number(f.currentSize.height()));
        placeRow(CurrentSizeEdit, sizeTop + kRowStep, true);
        OriginalSizeEdit->setText(QString::number(f.originalSize.width()) + QStringLiteral(" x ")
                                  + QString::number(f.originalSize.height()));
        placeRow(OriginalSizeEdit, CurrentSizeEdit->y() + kRowStep, true);
        lastTop = OriginalSizeEdit->y();
        if (f.gifFrames) {
            FramesCountGIFEdit->setText(QString::number(*f.gifFrames));
            placeRow(FramesCountGIFEdit, OriginalSizeEdit->y() + kRowStep, true);
            lastTop = FramesCountGIFEdit->y();
        } else {
            placeRow(FramesCountGIFEdit, FramesCountGIFEdit->y(), false);
        }
    } else {
        FramesCountFlashEdit->setText(QString::number(f.movieFrames));
        placeRow(FramesCountFlashEdit, sizeTop + kRowStep, true);
        FlashSceneSizeEdit->setText(f.sceneSize);
        placeRow(FlashSceneSizeEdit, FramesCountFlashEdit->y() + kRowStep, true);
        placeRow(CurrentSizeEdit, CurrentSizeEdit->y(), false);
        placeRow(OriginalSizeEdit, OriginalSizeEdit->y(), false);
        placeRow(FramesCountGIFEdit, FramesCountGIFEdit->y(), false);
        lastTop = FlashSceneSizeEdit->y();
    }
    placeButtons(lastTop + kButtonsBelow);
    setFixedSize(kClientWidth, ButtonOK->y() + ButtonOK->height() + kBottomMargin);
}

void InfoForm::applyLanguage(const LanguageTable& table)
{
    const QString section = QString::fromLatin1(lang::kInformation);
    setWindowTitle(table.text(section, 1));
    const std::pair<QLineEdit*, int> rows[] = {
        {FileNameEdit, 2},          {FilePathEdit, 3},     {FullPathEdit, 4},       {LastUpdateEdit, 5},
        {FileSizeEdit, 6},          {CurrentSizeEdit, 7},  {FramesCountFlashEdit, 8}, {OriginalSizeEdit, 11},
        {FramesCountGIFEdit, 12},   {FlashSceneSizeEdit, 13}};
    for (const auto& [edit, key] : rows)
        labelOf(edit)->setText(table.text(section, key));
    ButtonWinProperties->setText(table.text(section, 9));
    ButtonOK->setText(table.text(section, 10));
}

void InfoForm::ButtonOKClick()
{
    accept();
}

void InfoForm::ButtonWinPropertiesClick()
{
    if (showProperties && !path_.isEmpty())
        showProperties(path_);
}

}  // namespace vx
