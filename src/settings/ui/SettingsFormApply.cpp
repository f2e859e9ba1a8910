// Apply: every setting stored and applied to the running window at once, in
// a fixed order. A failed write of the view settings or the associations
// ends Apply with the error's text; later failures are reported and Apply
// goes on.
#include "settings/ui/SettingsForm.h"

#include "app/MainForm.h"
#include "app/MovieHost.h"
#include "i18n/SetLanguageModule.h"
#include "settings/FileAssociations.h"
#include "settings/ViewerSettings.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QRadioButton>

namespace vx {

namespace {

// One write to the settings key, opened (and created) for it alone. A key
// that doesn't open stores nothing and is not an error; a failed write
// returns the error's text.
std::optional<QString> store(SettingId id, int number, const QString& text = QString())
{
    RegistryKey key;
    if (!key.open(kSettingsHive, kSettingsKeyPath, true))
        return std::nullopt;
    try {
        writeSetting(key, settingEntry(id), StoredSetting{number, text});
    } catch (const RegistryError& e) {
        return QString::fromStdString(e.what());
    }
    return std::nullopt;
}

template <size_t N>
int checkedIndex(const std::array<QRadioButton*, N>& buttons)
{
    for (size_t i = 0; i < N; ++i)
        if (buttons[i]->isChecked())
            return int(i);
    return -1;
}

// The desktop icon: the window's own, or a drawn stand-in while it has none.
QByteArray desktopIconPng(const QWidget* window)
{
    QIcon icon = window ? window->windowIcon() : QIcon();
    if (icon.isNull())
        icon = QApplication::windowIcon();
    QImage image(128, 128, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        if (!icon.isNull()) {
            icon.paint(&p, image.rect());
        } else {
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x30, 0x58, 0xA8));
            p.drawRoundedRect(QRectF(8, 8, 112, 112), 20, 20);
            p.setPen(QPen(Qt::white, 14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF({QPointF(36, 36), QPointF(64, 94), QPointF(92, 36)}));
        }
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

}  // namespace

bool SettingsForm::AcceptButtonClick()
{
    MainForm* m = main_;
    // Steps 1 to 4: a failed write ends Apply with its text.
    auto mustStore = [this](SettingId id, int value, const QString& text = QString()) {
        if (auto error = store(id, value, text)) {
            report(*error);
            return false;
        }
        return true;
    };
    // Steps 7 to 15: a failed write is reported and Apply goes on.
    auto tryStore = [this](SettingId id, int value) {
        if (store(id, value))
            report(cannotWriteRegistryText());
    };

    // 1. The file-name label.
    const bool showName = ShowNameCheckBox->isChecked();
    m->nameLabel()->setVisible(showName);
    if (!mustStore(SettingId::CurrentFileNameLabelVisible, showName ? 1 : 0))
        return false;

    // 2. The file number, shown at once where the label shows a file.
    const bool showNumber = ShowNumbersCheckBox->isChecked();
    m->setCurrentFileNumberVisible(showNumber);
    if (!m->labelIsRed() && !m->state().nav.CurrentPath.isEmpty())
        m->refreshPositionText();
    if (!mustStore(SettingId::CurrentFileNumberVisible, showNumber ? 1 : 0))
        return false;

    // 3. The toolbar, laid out again without gaps.
    std::array<bool, kToolbarButtonCount> visible{};
    for (int i = 0; i < kToolbarButtonCount; ++i)
        visible[size_t(i)] = buttonCheckBoxes[size_t(i)]->isChecked();
    m->applyButtonsVisible(visible);
    if (!mustStore(SettingId::ButtonsVisible, 0, formatButtonsVisible(visible)))
        return false;

    // 4. The start logo.
    if (!mustStore(SettingId::ShowStartLogo, ShowStartLogoCheckBox->isChecked() ? 1 : 0))
        return false;

    // 5. The view colour; shutdown stores it.
    m->setBackColor(backColor_);

    // 6. Associations, only when the list was touched.
    if (fileTypesTouched_) {
        std::vector<bool> checked;
        for (int i = 0; i < FileTypeCheckListBox->count(); ++i)
            checked.push_back(FileTypeCheckListBox->item(i)->checkState() == Qt::Checked);
        try {
            writeAssociations(checked, QCoreApplication::applicationFilePath(), desktopIconPng(m));
        } catch (const std::exception& e) {
            report(QString::fromStdString(e.what()));
            return false;
        }
        fileTypesTouched_ = false;
    }

    // 7 to 11. The wallpaper values.
    if (CenterRadioButton->isChecked())
        tryStore(SettingId::SetWall, 1);
    else if (ZamostRadioButton->isChecked())
        tryStore(SettingId::SetWall, 2);
    else if (RastRadioButton->isChecked())
        tryStore(SettingId::SetWall, 3);
    if (FullScrRadioButton->isChecked())
        tryStore(SettingId::FlashFullScr, 1);
    else if (CenterScrRadioButton->isChecked())
        tryStore(SettingId::FlashFullScr, 0);
    tryStore(SettingId::FlashTransperent, TransperentCheckBox->isChecked() ? 1 : 0);
    tryStore(SettingId::FlashAutoPlay, FlashAutoPlayCheckBox->isChecked() ? 1 : 0);
    if (QualityComboBox->currentIndex() >= 0)
        tryStore(SettingId::FlashWallQuality, QualityComboBox->currentIndex());
    tryStore(SettingId::FlashBackColor, int(wallColor_));

    // 12. The scaling mode, from the next opened file on.
    int mode = 0;
    if (OriginalSizeRadioButton->isChecked())
        mode = 3;
    else if (ScaleBigRadioButton->isChecked())
        mode = 1;
    else if (ScaleAlllRadioButton->isChecked())
        mode = 2;
    if (mode != 0) {
        m->setImageScale(mode);
        tryStore(SettingId::ImageScale, mode);
    }

    // 13. Flash scale, on the control at once.
    if (const int scale = checkedIndex(flashScaleButtons); scale >= 0) {
        m->applyFlashScaleChoice(scale + 1);
        tryStore(SettingId::FlashScale, scale + 1);
    }

    // 14. Flash quality.
    if (const int quality = checkedIndex(flashQualityButtons); quality >= 0) {
        static const char* const names[3] = {"High", "Medium", "Low"};
        m->movie().applySettings(std::nullopt, QString::fromLatin1(names[quality]));
        tryStore(SettingId::FlashQuality, quality + 1);
    }

    // 15. fscommand messages.
    m->movie().showFsCommandMessage = FscommandCheckBox->isChecked();
    tryStore(SettingId::FlashFSCommand, m->movie().showFsCommandMessage ? 1 : 0);

    // 16. The chosen language, applied to every window, this one included.
    const QString path = languageChoice_.takeApplyPath(languageFolder(), languageList_);
    if (!path.isEmpty())
        m->applyLanguageEverywhere(path);
    return true;
}

}  // namespace vx
