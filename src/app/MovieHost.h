// The main window's movie side: the Flash control created at start-up, the
// transport panel (play, pause, stop, the frame bar and the frame count),
// opening a movie into the window, leaving it, seeking, rewinding, the
// fscommand message and the window sized to the movie's stage.
#pragma once

#include <QObject>
#include <QString>
#include <optional>

class QTimer;

namespace vx {

class ShockwaveFlash;

class MainForm;

class MovieHost : public QObject {
    Q_OBJECT

public:
    explicit MovieHost(MainForm& window);

    // Creates the control (hidden) and connects the transport panel.
    void create();
    void destroy();
    ShockwaveFlash* flash() const { return flash_; }

    void applySettings(std::optional<int> scaleMode, std::optional<QString> quality);
    // Settings the window keeps for movies.
    bool showFsCommandMessage = false;
    bool resizeWindowToMovie = false;
    bool panelVisible = true;

    // Opens the current file's movie (the window's content path); throws
    // CodecError when the control can't load it.
    void open(const QString& path);
    void stopAndHide();
    // Resizes the window to the stage of the movie at path, kept on the work area.
    void resizeWindowTo(const QString& path);
    // Applies the "resize window to movie" choice (FlashScale 5) and the scale mode.
    void applyScaleChoice(int flashScale, bool movieShown, const QString& path);

    // The control over the picture area, and the transport panel's parts.
    void layoutArea();
    void layoutTransport();
    void togglePanel();
    void zoom(int percent);
    void rewind(int frames);
    void seekTo(int x);
    // The frame timer: frame bar, frame count and play/pause buttons follow the movie.
    void followFrame();

    // Movie state kept across window-mode changes.
    struct State {
        int frame = 0;
        bool playing = false;
    };
    State remember() const;
    void restore(const State& state, bool movieShown);

    // The control could not be registered and the program is to end.
    bool terminateRequested() const { return terminateRequested_; }

private:
    MainForm& window_;
    ShockwaveFlash* flash_ = nullptr;
    QTimer* frameTimer_ = nullptr;
    bool seekDragging_ = false;
    bool terminateRequested_ = false;
    int totalFramesAtOpen_ = 0;
};

}  // namespace vx
