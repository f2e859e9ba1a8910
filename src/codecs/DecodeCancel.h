// Cancelling a decode from another thread. The thread that decodes installs
// the flag of its job with a CancelScope; decoders call checkCancelled() in
// their row and record loops, which throws DecodeCancelled once the flag is
// set. Without a scope (tests, writers, the window's own thread) the check
// costs one thread-local load and never throws.
#pragma once

#include "codecs/Bitmap.h"

#include <atomic>

namespace vx {

class DecodeCancelled : public CodecError {
public:
    DecodeCancelled() : CodecError("Decoding cancelled") {}
};

class CancelScope {
public:
    explicit CancelScope(const std::atomic<bool>* flag);
    ~CancelScope();
    CancelScope(const CancelScope&) = delete;
    CancelScope& operator=(const CancelScope&) = delete;

private:
    const std::atomic<bool>* previous_;
};

// The flag of the decode running on this thread (null without a scope), for
// a thread that helps it to install in its own scope.
const std::atomic<bool>* cancelFlag();

// True when the decode running on this thread has been asked to stop.
bool cancelRequested();

// Throws DecodeCancelled when the decode on this thread has been asked to stop.
inline void checkCancelled()
{
    if (cancelRequested())
        throw DecodeCancelled();
}

}  // namespace vx
