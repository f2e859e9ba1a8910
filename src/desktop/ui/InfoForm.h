// InfoForm: the file information dialog. Ten read-only rows (a label above
// a single-line edit) and two buttons; each showing fills it anew for a
// picture or a movie, hides the rows that don't apply, stacks the others
// 40 pixels apart and fits the dialog's height to the buttons.
#pragma once

#include <QDateTime>
#include <QDialog>
#include <QSize>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vx {

class LanguageTable;

// What the dialog shows about the file on screen.
struct FileFacts {
    QString path;
    QDateTime changed;        // local time
    qint64 size = 0;
    QString bytesWord = QStringLiteral("bytes");  // "Messages" 17
    QString kbWord = QStringLiteral("Kb");        // "Messages" 18
    bool movie = false;
    // A picture: its size on screen and in the file; a GIF's frame count.
    QSize currentSize;
    QSize originalSize;
    std::optional<int> gifFrames;
    // A movie: its frame count and stage size text.
    int movieFrames = 0;
    QString sceneSize;
};

class InfoForm : public QDialog {
    Q_OBJECT

public:
    explicit InfoForm(QWidget* parent = nullptr);

    // Fills the rows, shows the ones that apply, stacks them and fits the height.
    void fill(const FileFacts& facts);

    // Texts of the "Information" section: the caption, the row labels and the buttons.
    void applyLanguage(const LanguageTable& table);

    // The label above an edit row.
    QLabel* labelOf(const QLineEdit* edit) const;

    void ButtonOKClick();
    // Opens the desktop's own properties window for the file; the dialog stays open.
    void ButtonWinPropertiesClick();
    // Replaced by tests: what Advanced does with the full path.
    std::function<void(const QString& path)> showProperties;

    QLineEdit* FileNameEdit = nullptr;
    QLineEdit* FilePathEdit = nullptr;
    QLineEdit* FullPathEdit = nullptr;
    QLineEdit* LastUpdateEdit = nullptr;
    QLineEdit* FileSizeEdit = nullptr;
    QLineEdit* FramesCountFlashEdit = nullptr;
    QLineEdit* CurrentSizeEdit = nullptr;
    QLineEdit* OriginalSizeEdit = nullptr;
    QLineEdit* FramesCountGIFEdit = nullptr;
    QLineEdit* FlashSceneSizeEdit = nullptr;
    QPushButton* ButtonWinProperties = nullptr;
    QPushButton* ButtonOK = nullptr;

private:
    QLineEdit* addRow(const char* name, int top);
    void placeRow(QLineEdit* edit, int top, bool shown);
    void placeButtons(int top);
    QString path_;
};

}  // namespace vx
