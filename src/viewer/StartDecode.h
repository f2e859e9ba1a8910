// The start file decoded while the program is still starting: begun on a
// thread of its own before the application and the window are made, and
// handed to the first open of that file, which then only sizes the picture
// for the window. The decode is used once, for the file and decoder it was
// made for, while the file is unchanged; anything else opens as usual.
#pragma once

#include "viewer/PictureJob.h"
#include "viewer/ViewGeometry.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace vx {

class StartDecode {
public:
    // Starts decoding path with the decoder of type, for the view when it
    // is known. Made on the program's main thread (before the application
    // object, too).
    StartDecode(const QString& path, const SupportedType* type, StartView view);
    // Stops the decode (at the decoder's next check) and waits for its thread.
    ~StartDecode();
    StartDecode(const StartDecode&) = delete;
    StartDecode& operator=(const StartDecode&) = delete;

    // The start file's decode when the program is started with a picture
    // decoded the usual way (not a movie, skin or drawing); nullptr otherwise.
    // The argument must be resolved already (an absolute path to a file).
    // With a known view, decoders that decode for the size shown (JPEG)
    // decode for the largest size the picture can have in it.
    static std::unique_ptr<StartDecode> begin(const QString& path, StartView view = {});

    // The decode for path and type, waited for; nothing when it was made
    // for another file or decoder, was taken before, or the file changed
    // since. While waiting, a set cancel gives a cancelled result at once.
    std::optional<LoadedPicture> take(const QString& path, const SupportedType* type,
                                      const std::atomic<bool>* cancel);
    // Whether the decode has ended (then the destructor does not wait).
    bool finished() const;

private:
    // The display decode for the view, on the decoding thread.
    void prepareDisplay(Graphic& graphic);

    const QString path_;
    const SupportedType* const type_;
    const StartView view_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    bool taken_ = false;
    LoadedPicture result_;
    std::thread thread_;
};

}  // namespace vx
