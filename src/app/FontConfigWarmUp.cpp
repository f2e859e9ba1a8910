#include "app/FontConfigWarmUp.h"

#include <fontconfig/fontconfig.h>
#include <pthread.h>
#include <sched.h>

namespace vx {

namespace {

void* readFontConfiguration(void*)
{
    pthread_setname_np(pthread_self(), "vx-fonts");
    // The default configuration with its font list, as the toolkit's font
    // database asks for it at its first use.
    if (FcInit())
        FcConfigGetFonts(nullptr, FcSetSystem);
    return nullptr;
}

}  // namespace

FontConfigWarmUp::FontConfigWarmUp()
{
    // Only on a core nothing else wants, from its first instruction: the
    // start picture's decode and the window's thread must not wait for it,
    // and the window's thread leaves its core idle often enough while it
    // talks to the display.
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    sched_param idle{};
    pthread_attr_setinheritsched(&attributes, PTHREAD_EXPLICIT_SCHED);
    pthread_attr_setschedpolicy(&attributes, SCHED_IDLE);
    pthread_attr_setschedparam(&attributes, &idle);
    started_ = pthread_create(&thread_, &attributes, readFontConfiguration, nullptr) == 0;
    if (!started_)  // not allowed to choose the policy: an ordinary thread
        started_ = pthread_create(&thread_, nullptr, readFontConfiguration, nullptr) == 0;
    pthread_attr_destroy(&attributes);
}

FontConfigWarmUp::~FontConfigWarmUp()
{
    wait();
}

void FontConfigWarmUp::wait()
{
    if (!started_)
        return;
    // Waited for: no longer only on idle cores (the start picture's decode
    // may keep every core busy).
    sched_param normal{};
    pthread_setschedparam(thread_, SCHED_OTHER, &normal);
    pthread_join(thread_, nullptr);
    started_ = false;
}

}  // namespace vx
