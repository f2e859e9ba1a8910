// Filling the settings dialog at each showing: the grids' texts, the view
// colour, every control from the settings key (absent values get their
// defaults written back), the file type checks and the language list.
#include "settings/ui/SettingsForm.h"

#include "app/MainForm.h"
#include "flash/FlashProvision.h"
#include "i18n/LangStrings.h"
#include "i18n/MainFormTexts.h"
#include "i18n/SetLanguageModule.h"
#include "settings/FileAssociations.h"
#include "settings/ViewerSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableWidget>

namespace vx {

namespace {

void setCell(QTableWidget* grid, int row, int column, const QString& text)
{
    QTableWidgetItem* item = grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        grid->setItem(row, column, item);
    }
    item->setText(text);
    if (row == 0) {
        // The fixed header row: grey and not selectable.
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(QColor(0xD4, 0xD0, 0xC8));
    }
}

}  // namespace

QString SettingsForm::languageFolder() const
{
    return vx::languageFolder(main_ ? main_->programFolder() : QString());
}

QString SettingsForm::cannotWriteRegistryText() const
{
    return lang::messageOrDefault(lang::CannotWriteRegistry);
}

void SettingsForm::FormShow()
{
    filling_ = true;
    writeGridTexts();
    setSwatch(BackColorPanel, main_ ? main_->backColor() : kDefaultBackColor);
    fillFromSettings();
    const std::vector<bool> checks = readAssociationChecks();
    for (int i = 0; i < FileTypeCheckListBox->count() && size_t(i) < checks.size(); ++i)
        FileTypeCheckListBox->item(i)->setCheckState(checks[size_t(i)] ? Qt::Checked : Qt::Unchecked);
    filling_ = false;
    fillLanguageList();
}

void SettingsForm::writeGridTexts()
{
    for (int row = 0; row < kHotKeyRows; ++row)
        setCell(HotKeyStrGrid, row, 0, hotKeyActions_[size_t(row)]);
    setCell(HotKeyStrGrid, 0, 1, hotKeyHeader_);
    for (int row = 1; row < kHotKeyRows; ++row)
        setCell(HotKeyStrGrid, row, 1, hotKeyText(row));
    for (int column = 0; column < 3; ++column)
        setCell(LangStringGrid, 0, column, languageHeaders_[size_t(column)]);
}

void SettingsForm::fillFromSettings()
{
    RegistryKey key;
    if (!key.open(kSettingsHive, kSettingsKeyPath, true))
        return;
    // A value missing, of another type or not a colour counts as absent.
    auto number = [&key](SettingId id) -> std::optional<int> {
        if (auto v = readSetting(key, settingEntry(id)))
            return v->number;
        return std::nullopt;
    };
    // A default that can't be written is reported and the filling goes on.
    auto writeDefault = [&](SettingId id) {
        try {
            writeSettingDefault(key, settingEntry(id));
        } catch (const RegistryError&) {
            report(cannotWriteRegistryText());
        }
    };

    if (auto v = number(SettingId::CurrentFileNameLabelVisible)) {
        ShowNameCheckBox->setChecked(*v != 0);
        ShowNumbersCheckBox->setEnabled(*v != 0);
        if (*v == 0)
            ShowNumbersCheckBox->setChecked(false);
    }
    // With the name hidden the number box stays unchecked: Apply would
    // otherwise store a number that can't be shown.
    if (auto v = number(SettingId::CurrentFileNumberVisible))
        ShowNumbersCheckBox->setChecked(*v != 0 && ShowNumbersCheckBox->isEnabled());
    if (auto v = readSetting(key, settingEntry(SettingId::ButtonsVisible)))
        for (int i = 0; i < 9; ++i)
            buttonCheckBoxes[size_t(i)]->setChecked(!(i < v->text.size() && v->text[i] == QLatin1Char('0')));

    if (auto v = number(SettingId::ShowStartLogo)) {
        ShowStartLogoCheckBox->setChecked(*v != 0);
    } else {
        // The dialog's own default (start-up's is 1).
        ShowStartLogoCheckBox->setChecked(false);
        try {
            writeSetting(key, settingEntry(SettingId::ShowStartLogo), StoredSetting{0, {}});
        } catch (const RegistryError& e) {
            // The one default whose failure ends the filling.
            report(QString::fromStdString(e.what()));
            return;
        }
    }

    if (auto v = number(SettingId::SetWall)) {
        if (*v == 1)
            CenterRadioButton->setChecked(true);
        else if (*v == 2)
            ZamostRadioButton->setChecked(true);
        else if (*v == 3)
            RastRadioButton->setChecked(true);
    } else {
        writeDefault(SettingId::SetWall);
    }

    if (auto v = number(SettingId::FlashFullScr)) {
        if (*v == 0 || *v == 1)
            (*v == 1 ? FullScrRadioButton : CenterScrRadioButton)->setChecked(true);
    } else {
        writeDefault(SettingId::FlashFullScr);
        FullScrRadioButton->setChecked(true);
    }

    const std::pair<SettingId, QCheckBox*> wallBoxes[] = {{SettingId::FlashTransperent, TransperentCheckBox},
                                                         {SettingId::FlashAutoPlay, FlashAutoPlayCheckBox}};
    for (const auto& [id, box] : wallBoxes) {
        if (auto v = number(id)) {
            if (*v == 0 || *v == 1)
                box->setChecked(*v == 1);
        } else {
            writeDefault(id);
            box->setChecked(true);
        }
    }

    if (auto v = number(SettingId::FlashWallQuality)) {
        if (settingEntry(SettingId::FlashWallQuality).inRange(*v))
            QualityComboBox->setCurrentIndex(*v);
    } else {
        writeDefault(SettingId::FlashWallQuality);
        QualityComboBox->setCurrentIndex(settingEntry(SettingId::FlashWallQuality).defaultNumber);
    }

    if (auto v = number(SettingId::FlashBackColor)) {
        setSwatch(WallpaperBackColorPanel, ColorRef(*v));
    } else {
        writeDefault(SettingId::FlashBackColor);
        setSwatch(WallpaperBackColorPanel, ColorRef(settingEntry(SettingId::FlashBackColor).defaultNumber));
    }

    // The scaling mode comes from the running window, not the registry.
    const int mode = main_ ? main_->state().imageScale : 0;
    if (mode == 1)
        ScaleBigRadioButton->setChecked(true);
    else if (mode == 2)
        ScaleAlllRadioButton->setChecked(true);
    else if (mode == 3)
        OriginalSizeRadioButton->setChecked(true);

    if (auto v = number(SettingId::FlashScale)) {
        if (*v >= 1 && *v <= 5)
            flashScaleButtons[size_t(*v - 1)]->setChecked(true);
    } else {
        writeDefault(SettingId::FlashScale);
        flashScaleButtons[0]->setChecked(true);
    }

    if (auto v = number(SettingId::FlashQuality)) {
        if (*v >= 1 && *v <= 3)
            flashQualityButtons[size_t(*v - 1)]->setChecked(true);
    } else {
        writeDefault(SettingId::FlashQuality);
        flashQualityButtons[0]->setChecked(true);
    }

    lbOCXver->setText(versionPrefixes_[0] + QLatin1Char(' ') + FormatControlVersion(RegisteredControlVersion()));
    lbCurOCXVer->setText(versionPrefixes_[1] + QLatin1Char(' ') + FormatControlVersion(EmbeddedControlVersion));

    if (auto v = number(SettingId::FlashFSCommand)) {
        FscommandCheckBox->setChecked(*v != 0);
    } else {
        writeDefault(SettingId::FlashFSCommand);
        FscommandCheckBox->setChecked(false);
    }
}

void SettingsForm::fillLanguageList()
{
    languageList_ = buildLanguageList(languageFolder(), CurrentLanguageFile());
    QSignalBlocker block(LangStringGrid);
    for (int n = 1; n <= languageList_.rows.size(); ++n) {
        const LanguageListRow& row = languageList_.rows[n - 1];
        LangStringGrid->setRowCount(n + 1);
        setCell(LangStringGrid, n, 0, row.fileName);
        setCell(LangStringGrid, n, 1, row.language);
        setCell(LangStringGrid, n, 2, row.version);
    }
    const int selected = languageList_.selectedGridRow;
    if (selected > 0 && selected != LangStringGrid->currentRow()) {
        LangStringGrid->setCurrentCell(selected, 0);
        LangStringGridSelectCell(selected);
    } else if (selected > 0 && AuthorLangMemo->toPlainText().isEmpty()) {
        LangStringGridSelectCell(selected);
    }
    languageChoice_.listBuilt();
}

void SettingsForm::LangStringGridSelectCell(int row)
{
    languageChoice_.select(row);
    AuthorLangMemo->clear();
    if (row < 1 || row > languageList_.rows.size())
        return;
    AuthorLangMemo->setPlainText(authorLines(languageFolder() + languageList_.rows[row - 1].fileName).join(u'\n'));
}

}  // namespace vx
