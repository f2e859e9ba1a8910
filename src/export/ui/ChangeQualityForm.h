// The JPEG options window: quality (track bar and edit, 1..100) and the
// grayscale choice. It floats beside the picture save dialog while the JPEG
// type is chosen; its values live for the whole run and are read by the
// JPEG writer at the moment of saving.
#pragma once

#include "export/SaveAs.h"

#include <QDialog>
#include <QRect>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace vx {

class ChangeQualityForm : public QDialog {
    Q_OBJECT
public:
    explicit ChangeQualityForm(QWidget* parent = nullptr);

    int quality() const;
    bool grayscale() const;
    JpegOptions jpegOptions() const { return {quality(), grayscale()}; }

    // Language texts: lookup(section, key, English default) -> text.
    using LangLookup = std::function<QString(const QString& section, int key, const QString& defaultText)>;
    // Section "Quality": 1 caption, 2 group, 3 label, 4 check box.
    void applyLanguage(const LangLookup& lookup);

    // Shown without taking the focus from the save dialog, at the
    // bottom-right corner of the work area.
    void showAtBottomRight(const QRect& workArea);
    // Shown just right of (or, without room, left of) the save dialog.
    void showBeside(const QRect& dialogFrame, const QRect& workArea);
    // The picture save dialog switched to filter index 1..7: shown for the
    // JPEG type (index 2) at the bottom-right corner, hidden otherwise.
    void typeChanged(int filterIndex, const QRect& workArea);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void trackBarChanged(int position);
    void editChanged(const QString& text);
    void setEditText(const QString& text, bool selectAll);

    QGroupBox* group_;
    QLabel* label_;
    QSlider* trackBar_;
    QLineEdit* edit_;
    QCheckBox* grayscale_;
};

}  // namespace vx
