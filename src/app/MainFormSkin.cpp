// Applying skins to the two bars: the built-in picture or a package.
#include "app/MainForm.h"

#include "flash/ui/FrameProgressBar.h"
#include "settings/ViewerSettings.h"

#include "skins/SkinLayout.h"
#include "skins/SkinPackage.h"
#include "skins/ui/DefaultSkin.h"
#include "skins/ui/SkinButton.h"

#include <QLabel>

namespace vx {

void MainForm::applySkin(const SkinPackage& package, bool withMetrics)
{
    for (int k = 0; k < kBtnCount; ++k) {
        SkinButton* b = buttons_[size_t(k)];
        const SkinButtonImages& images = package.buttons[size_t(k)];
        if (images.hasNormal) {
            b->replaceNormalImage(images.normal);
            b->resize(images.normal.size());
        }
        if (images.hasPressed) {
            b->replaceDownImage(images.pressed);
            b->resize(images.pressed.size());
        }
        b->update();
    }
    if (!withMetrics)
        return;
    buttonsPanel_->setFixedHeight(package.metrics.buttonsPanelHeight);
    navPanel_->setFixedHeight(package.metrics.flashPanelHeight);
    betweenWidth_ = package.metrics.betweenWidth;
    ArrangeTopButtons();
    ArrangeWindowButtons();
    ArrangeNavButtons();
    // The label is centred at the height of its one line of text; a label
    // not yet sized to a text would be centred at its widget's first height.
    currentFrameLabel_->resize(currentFrameLabel_->width(), currentFrameLabel_->fontMetrics().height());
    progressBarFrame_->move(progressBarFrame_->x(), centredTop(navPanel_->height(), progressBarFrame_->height()));
    currentFrameLabel_->move(currentFrameLabel_->x(), centredTop(navPanel_->height(), currentFrameLabel_->height()));
    layoutBars();
}

void MainForm::SetDefaultSkin()
{
    const SkinPackage package = defaultSkinPackage(defaultSkinImage());
    currentSkinFile_ = package.currentSkinFile;
    applySkin(package, true);
}

void MainForm::LoadSkin(const QString& fileName)
{
    // Before the first skin the buttons have no images at all: a package
    // that fails then leaves the built-in skin in place of what it did not
    // cut, rather than bare red buttons piled up at the bars' left ends.
    const SkinButton* open = buttons_[kBtnOpen];
    const bool firstSkin = open->bmpNormal().isNull() && open->bmpDown().isNull();
    auto standIn = [&] {
        if (firstSkin)
            applySkin(defaultSkinPackage(defaultSkinImage()), true);
    };
    try {
        std::optional<SkinPackage> package = loadSkinPackage(fileName, programFolder_);
        if (!package)
            return;
        if (package->isDefault) {
            SetDefaultSkin();
            return;
        }
        currentSkinFile_ = package->currentSkinFile;
        applySkin(*package, true);
    } catch (const SkinLoadError& e) {
        // Buttons cut before the bad key keep their new images; the rest,
        // the bars and the stored skin stay as they were.
        standIn();
        applySkin(e.partial, false);
        reportError(QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        standIn();
        reportError(QString::fromUtf8(e.what()));
    }
}

}  // namespace vx
