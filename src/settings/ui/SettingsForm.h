// SettingsForm: the settings dialog. Created hidden at start-up and shown
// modally; every showing fills the controls from the settings key and the
// running window, Apply stores everything and applies it to the main window
// at once, OK is Apply and close, Cancel (close box, Esc) closes.
#pragma once

#include "i18n/LanguageList.h"
#include "settings/ColorText.h"

#include <QDialog>
#include <QString>
#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QColorDialog;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTreeWidget;

namespace vx {

class MainForm;
class LinkLabel;

class SettingsForm : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPageCount = 8;
    static constexpr int kHotKeyRows = 20;

    explicit SettingsForm(MainForm* main);
    ~SettingsForm() override;

    // Fill (every showing), page switch, Apply; Apply returns false when a
    // write that must succeed failed (the message has been shown).
    void FormShow();
    void TreeViewGetSelectedIndex();
    bool AcceptButtonClick();
    void OKButtonClick();
    void CancelButtonClick();
    void ShowNameCheckBoxClick();
    void ChangeBackColorButtonClick();
    void ChangeWallBackColorButtonClick();
    void SelAllFileTypeButtonClick();
    void UnSelAllFileTypeButtonClick();
    void LangStringGridSelectCell(int row);

    // Applies the dialog's nine sections of a language file.
    void LangSettingsForm(const QString& fileName);
    // The key column of the hot key grid, rows 1 to 19 (not translated).
    static QString hotKeyText(int row);

    bool fileTypesTouched() const { return fileTypesTouched_; }
    int visiblePage() const;
    void selectPage(int page);
    ColorRef backColorSwatch() const { return backColor_; }
    ColorRef wallpaperColorSwatch() const { return wallColor_; }

    // Hooks that tests replace: the colour dialog (returns the chosen colour
    // or nothing for Cancel) and message boxes.
    std::function<std::optional<ColorRef>(ColorRef initial)> chooseColor;
    std::function<void(const QString& text)> showMessage;

    // Frame.
    QLabel* BackImagePanel = nullptr;
    QLabel* BackSettingsImage = nullptr;
    QLabel* NameSettingLabel = nullptr;
    QTreeWidget* TreeView = nullptr;
    std::array<QGroupBox*, kPageCount> pages{};
    QPushButton* OKButton = nullptr;
    QPushButton* AcceptButton = nullptr;
    QPushButton* CancelButton = nullptr;

    // View.
    QGroupBox* GroupBox9 = nullptr;
    QCheckBox* ShowNameCheckBox = nullptr;
    QCheckBox* ShowNumbersCheckBox = nullptr;
    QGroupBox* GroupBox5 = nullptr;
    std::array<QCheckBox*, 9> buttonCheckBoxes{};  // Open ... Next, toolbar order
    QCheckBox* ShowStartLogoCheckBox = nullptr;
    QLabel* BackColorLabel = nullptr;
    QFrame* BackColorPanel = nullptr;
    QPushButton* ChangeBackColorButton = nullptr;

    // File types.
    QListWidget* FileTypeCheckListBox = nullptr;
    QLabel* FileAssignedLabel = nullptr;
    QPushButton* SelAllFileTypeButton = nullptr;
    QPushButton* UnSelAllFileTypeButton = nullptr;
    QCheckBox* OnStartCheckBox = nullptr;

    // Language.
    QLabel* ChooseLangLabel = nullptr;
    QTableWidget* LangStringGrid = nullptr;
    QLabel* AuthorLabel = nullptr;
    QPlainTextEdit* AuthorLangMemo = nullptr;

    // Images.
    QGroupBox* ScaleGroupBox = nullptr;
    QRadioButton* OriginalSizeRadioButton = nullptr;
    QRadioButton* ScaleBigRadioButton = nullptr;
    QRadioButton* ScaleAlllRadioButton = nullptr;

    // Flash.
    QGroupBox* GroupBox1 = nullptr;
    std::array<QRadioButton*, 5> flashScaleButtons{};  // ShowAll, NoBorder, ExactFit, NoScale, ScaleForm
    QGroupBox* GroupBoxQuality = nullptr;
    std::array<QRadioButton*, 3> flashQualityButtons{};  // High, Medium, Low
    QGroupBox* GroupBoxOCXver = nullptr;
    QLabel* lbOCXver = nullptr;
    QLabel* lbCurOCXVer = nullptr;
    QGroupBox* GroupBoxFscommand = nullptr;
    QCheckBox* FscommandCheckBox = nullptr;

    // Desktop.
    QLabel* Label2 = nullptr;
    QGroupBox* GroupBox7 = nullptr;
    QRadioButton* CenterRadioButton = nullptr;
    QRadioButton* ZamostRadioButton = nullptr;
    QRadioButton* RastRadioButton = nullptr;
    QGroupBox* GroupBox8 = nullptr;
    QRadioButton* FullScrRadioButton = nullptr;
    QRadioButton* CenterScrRadioButton = nullptr;
    QCheckBox* TransperentCheckBox = nullptr;
    QCheckBox* FlashAutoPlayCheckBox = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* QualityComboBox = nullptr;
    QLabel* Label4 = nullptr;
    QFrame* WallpaperBackColorPanel = nullptr;
    QPushButton* ChangeWallBackColorButton = nullptr;

    // Hot keys.
    QTableWidget* HotKeyStrGrid = nullptr;

    // About.
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    LinkLabel* Label9 = nullptr;   // product page
    LinkLabel* Label11 = nullptr;  // second product page
    LinkLabel* SendMailLabel = nullptr;
    QLabel* SponsorLabel = nullptr;
    LinkLabel* Label10 = nullptr;  // sponsor's site

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildFrame();
    void buildViewPage(QGroupBox* page);
    void buildFileTypesPage(QGroupBox* page);
    void buildLanguagePage(QGroupBox* page);
    void buildImagesPage(QGroupBox* page);
    void buildFlashPage(QGroupBox* page);
    void buildDesktopPage(QGroupBox* page);
    void buildHotKeysPage(QGroupBox* page);
    void buildAboutPage(QGroupBox* page);
    void paintTitlePicture();

    void fillFromSettings();
    void fillLanguageList();
    void writeGridTexts();
    void setSwatch(QFrame* panel, ColorRef color);
    std::optional<ColorRef> runColorDialog(ColorRef initial);
    void report(const QString& text);
    QString languageFolder() const;
    QString cannotWriteRegistryText() const;

    MainForm* main_;
    bool fileTypesTouched_ = false;
    bool filling_ = false;
    ColorRef backColor_ = 0;
    ColorRef wallColor_ = 0;
    QColorDialog* BackColorDialog = nullptr;
    std::optional<ColorRef> lastChosenColor_;
    LanguageList languageList_;
    LanguageChoice languageChoice_;

    // Texts kept from the last applied language.
    std::array<QString, kPageCount> pageTitles_;
    std::array<QString, kHotKeyRows> hotKeyActions_;
    QString hotKeyHeader_;
    std::array<QString, 3> languageHeaders_;
    std::array<QString, 2> versionPrefixes_;

    // Moving the dialog by its title strip where the window system can't.
    bool dragging_ = false;
    QPoint dragOffset_;
};

}  // namespace vx
