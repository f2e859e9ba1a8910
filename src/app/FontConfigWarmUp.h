// The font configuration read on a thread of its own while the application
// object is made. Otherwise the window's first text waits on the window's
// thread for fontconfig to parse its files and load its caches.
#pragma once

#include <pthread.h>

namespace vx {

class FontConfigWarmUp {
public:
    FontConfigWarmUp();
    // Waits for the reading to end.
    ~FontConfigWarmUp();
    FontConfigWarmUp(const FontConfigWarmUp&) = delete;
    FontConfigWarmUp& operator=(const FontConfigWarmUp&) = delete;

    // Waits for the reading to end; call before the first font is used, so
    // that the window's thread never reads the configuration a second time.
    void wait();

private:
    pthread_t thread_{};
    bool started_ = false;
};

}  // namespace vx
