// Drives the playback of an animated picture for a picture control: which
// frame to show, how long it stays, and what comes next, looping as the
// picture asks (loopCount 0 = forever). It owns no timer: the control runs
// a single-shot timer with currentDelayMs() and calls advance() when it fires.
#pragma once

#include "codecs/Graphic.h"

#include <QImage>
#include <memory>

namespace vx {

class FrameAnimator {
public:
    FrameAnimator() = default;
    explicit FrameAnimator(std::shared_ptr<const Graphic> graphic);

    // Starts over at the first frame of graphic (nullptr stops everything).
    void setGraphic(std::shared_ptr<const Graphic> graphic);
    const Graphic* graphic() const { return graphic_.get(); }
    void restart();

    // More than one frame and plays left: the control keeps its timer running.
    bool isRunning() const;
    bool isFinished() const { return finished_; }
    int currentIndex() const { return index_; }
    int completedLoops() const { return loops_; }

    // The composed current frame (null without a graphic).
    QImage currentImage() const;
    // How long the current frame stays, in milliseconds; -1 when nothing
    // follows it (a still picture, or the last play is over).
    int currentDelayMs() const;

    // Moves to the next frame, back to the first after the last while plays
    // remain. Returns false (and stays on the last frame) once playing is over.
    bool advance();

private:
    std::shared_ptr<const Graphic> graphic_;
    int index_ = 0;
    int loops_ = 0;
    bool finished_ = false;
};

}  // namespace vx
