#include "codecs/DecodeCancel.h"

namespace vx {

namespace {

thread_local const std::atomic<bool>* currentFlag = nullptr;

}  // namespace

CancelScope::CancelScope(const std::atomic<bool>* flag) : previous_(currentFlag)
{
    currentFlag = flag;
}

CancelScope::~CancelScope()
{
    currentFlag = previous_;
}

const std::atomic<bool>* cancelFlag()
{
    return currentFlag;
}

bool cancelRequested()
{
    const std::atomic<bool>* flag = currentFlag;
    return flag && flag->load(std::memory_order_relaxed);
}

}  // namespace vx
