#include "viewer/StartDecode.h"

#include "codecs/DecodeCancel.h"

#include <QThread>

#include <chrono>
#include <pthread.h>

namespace vx {

StartDecode::StartDecode(const QString& path, const SupportedType* type, StartView view)
    : path_(path), type_(type), view_(view)
{
    // Qt takes the first thread that asks for its thread data for the main
    // thread; before the application exists that must be this one, not the
    // decoding thread opening its file.
    QThread::currentThread();
    thread_ = std::thread([this] {
        pthread_setname_np(pthread_self(), "vx-start-decode");
        LoadedPicture loaded = loadPicture(path_, type_, &stop_);
        if (loaded.graphic)
            prepareDisplay(*loaded.graphic);
        {
            std::lock_guard lock(mutex_);
            result_ = std::move(loaded);
            finished_ = true;
        }
        done_.notify_all();
    });
}

StartDecode::~StartDecode()
{
    stop_.store(true, std::memory_order_relaxed);
    if (thread_.joinable())
        thread_.join();
}

bool StartDecode::finished() const
{
    std::lock_guard lock(mutex_);
    return finished_;
}

void StartDecode::prepareDisplay(Graphic& graphic)
{
    CancelScope scope(&stop_);
    try {
        const QSize shown = view_.largestShown(QSize(graphic.width(), graphic.height()));
        if (!shown.isEmpty())
            graphic.prepareDisplay(shown);
    } catch (...) {
        // The open decodes again and reports what went wrong.
    }
}

std::unique_ptr<StartDecode> StartDecode::begin(const QString& path, StartView view)
{
    if (path.isEmpty())
        return nullptr;
    const SupportedType* type = findSupportedType(extensionKey(path));
    // Drawings lay out their text with the application's fonts, which do
    // not exist yet.
    if (!type || !type->decoder || type->has(Vector))
        return nullptr;
    return std::make_unique<StartDecode>(path, type, view);
}

std::optional<LoadedPicture> StartDecode::take(const QString& path, const SupportedType* type,
                                               const std::atomic<bool>* cancel)
{
    std::unique_lock lock(mutex_);
    if (taken_ || path != path_ || type != type_)
        return std::nullopt;
    taken_ = true;
    while (!finished_) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            stop_.store(true, std::memory_order_relaxed);
            LoadedPicture cancelled;
            cancelled.cancelled = true;
            return cancelled;
        }
        done_.wait_for(lock, std::chrono::milliseconds(5));
    }
    // A decode stopped by nobody who asked, or a file changed meanwhile,
    // is decoded again by the open.
    if (result_.cancelled || result_.stamp != FileStamp::of(path))
        return std::nullopt;
    return std::move(result_);
}

}  // namespace vx
