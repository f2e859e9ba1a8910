#include "app/FontConfigWarmUp.h"

#include <fontconfig/fontconfig.h>
#include <pthread.h>
#include <sched.h>

namespace vx {

FontConfigWarmUp::FontConfigWarmUp()
    : thread_([] {
          pthread_setname_np(pthread_self(), "vx-fonts");
          // Only on a core nothing else wants: the start picture's decode
          // must not wait for it, and the window's thread leaves its core
          // idle often enough while it talks to the display.
          sched_param idle{};
          pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);
          // The default configuration with its font list, as the toolkit's
          // font database asks for it at its first use.
          if (FcInit())
              FcConfigGetFonts(nullptr, FcSetSystem);
      })
{
}

FontConfigWarmUp::~FontConfigWarmUp()
{
    wait();
}

void FontConfigWarmUp::wait()
{
    if (!thread_.joinable())
        return;
    // Waited for: no longer only on idle cores (the start picture's decode
    // may keep every core busy).
    sched_param normal{};
    pthread_setschedparam(thread_.native_handle(), SCHED_OTHER, &normal);
    thread_.join();
}

}  // namespace vx
