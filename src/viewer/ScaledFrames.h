// The frames of an animation composed and scaled to the size they are drawn
// at, kept while all of them fit a memory budget: from the second loop on,
// playing costs no decoding and no scaling. When they don't fit, each frame
// is composed in playing order and scaled as it comes, and none is kept.
#pragma once

#include "codecs/Graphic.h"

#include <QImage>
#include <QSize>
#include <cstddef>
#include <vector>

namespace vx {

class ScaledFrames {
public:
    static constexpr size_t kDefaultBudget = size_t(64) << 20;
    explicit ScaledFrames(size_t budgetBytes = kDefaultBudget) : budget_(budgetBytes) {}

    // Forgets every frame (a new picture).
    void clear();
    // Frame index of graphic at size; never throws (error gets the failure,
    // and a null image comes back).
    QImage frame(const Graphic& graphic, int index, QSize size, QString* error = nullptr) noexcept;
    // Frames held now, and their bytes.
    int heldFrames() const;
    size_t heldBytes() const { return bytes_; }

private:
    size_t budget_;
    const Graphic* graphic_ = nullptr;
    QSize size_;
    bool keep_ = false;
    std::vector<QImage> frames_;
    size_t bytes_ = 0;
};

}  // namespace vx
