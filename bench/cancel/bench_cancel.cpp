// How soon a decode stops once it is cancelled: each hostile picture (the
// corpus files and the larger made ones) and a slow valid picture of each
// decoder and decoding path (tools/hostile/SlowPictures) is decoded as the
// window's decoding thread does it (openPicture for a 1280 x 800 area, on
// a thread of its own) and cancelled a few milliseconds after it started,
// then at points through the time it takes alone. The row's figure is the
// time from the cancel until the decode returned, with the processor time
// the decoding thread spent in it (on a busy machine the thread also waits
// for a processor). Each file is first decoded once without a cancel
// (given up after two seconds) to show the work a cancel saves. The
// summary at the end marks every row over 100 ms.
#include "HostileFiles.h"
#include "SlowPictures.h"
#include "viewer/PictureJob.h"
#include "viewer/FolderList.h"
#include "viewer/ViewGeometry.h"

#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <pthread.h>
#include <thread>
#include <time.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kCancelAfter = std::chrono::milliseconds(5);
constexpr auto kFullDecodeCap = std::chrono::seconds(2);

const QString kMadeFolder = QStringLiteral("/tmp/vx-bench-cancel");

struct Row {
    double fullMs = 0;       // the decode left alone (capped)
    bool fullCapped = false;
    double worstMs = 0;      // cancel to return, worst of the iterations
    double worstCpuMs = 0;   // the decoding thread's processor time in that span
    bool finishedFirst = false;  // the decode ended before the cancel came
    std::string error;       // why the decode left alone failed
};
std::map<std::string, Row> rows;

vx::OpenRequest request(const QString& path)
{
    return vx::OpenRequest{path, vx::findSupportedType(vx::extensionKey(path)), vx::FitBigImages, QSize(1280, 800),
                           QSize(), false};
}

double msSince(Clock::time_point start, Clock::time_point end)
{
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double cpuMs(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// One decode on a thread of its own, as the window's decoding thread runs
// it; cancelled after `after` (never when it is zero, up to the cap).
struct Decode {
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    Clock::time_point ended;
    double endedCpu = 0;
    vx::OpenedPicture result;
    std::thread thread;

    explicit Decode(const QString& path)
        : thread([this, path] {
              result = vx::openPicture(request(path), &cancel);
              endedCpu = cpuMs(CLOCK_THREAD_CPUTIME_ID);
              ended = Clock::now();
              done = true;
          })
    {
    }
};

// The decode left alone, up to the cap.
void measureFull(const QString& path, Row& row)
{
    const auto start = Clock::now();
    Decode d(path);
    while (!d.done && Clock::now() - start < kFullDecodeCap)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    row.fullCapped = !d.done;
    d.cancel = true;
    d.thread.join();
    row.fullMs = msSince(start, d.ended);
    if (!row.fullCapped)
        row.error = d.result.error.toStdString();
}

void BM_CancelDecode(benchmark::State& state, QString path)
{
    Row& row = rows[vx::fileNameOf(path).toStdString()];
    measureFull(path, row);
    // Cancelled early, then at a quarter, half, three quarters and near the
    // end of the time the decode took alone: every stretch of it is met.
    const double fractions[] = {0, 0.25, 0.5, 0.75, 0.95};
    int iteration = 0;
    for (auto _ : state) {
        const auto after = std::max<Clock::duration>(
            kCancelAfter, std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(
                              row.fullMs * fractions[iteration++ % 5])));
        Decode d(path);
        clockid_t clock{};
        pthread_getcpuclockid(d.thread.native_handle(), &clock);
        std::this_thread::sleep_for(after);
        const double cpuAtCancel = cpuMs(clock);
        const auto cancelled = Clock::now();
        const bool finishedFirst = d.done;
        d.cancel = true;
        d.thread.join();
        const double ms = finishedFirst ? 0.0 : msSince(cancelled, d.ended);
        const double cpu = finishedFirst ? 0.0 : std::max(0.0, d.endedCpu - cpuAtCancel);
        row.finishedFirst = row.finishedFirst || finishedFirst;
        row.worstMs = std::max(row.worstMs, ms);
        row.worstCpuMs = std::max(row.worstCpuMs, cpu);
        state.SetIterationTime(ms / 1000.0);
    }
    state.counters["full_ms"] = row.fullMs;
    state.counters["worst_ms"] = row.worstMs;
    state.counters["worst_cpu_ms"] = row.worstCpuMs;
}

QStringList hostileFiles()
{
    QStringList paths;
    const QDir corpus(QStringLiteral(VX_HOSTILE_DIR));
    for (const QString& name : corpus.entryList(QDir::Files, QDir::Name))
        paths << corpus.filePath(name);
    QDir().mkpath(kMadeFolder);
    for (const vx::hostile::MadeFile& made : vx::hostile::madeFiles()) {
        const QString path = kMadeFolder + QLatin1Char('/') + made.name;
        QFile f(path);
        if (!f.exists() && f.open(QIODevice::WriteOnly))
            f.write(made.data);
        paths << path;
    }
    paths += vx::hostile::writeSlowPictures(kMadeFolder);
    return paths;
}

void printSummary()
{
    std::printf("\n%-44s %10s %14s %14s\n", "file", "alone ms", "cancel->ret ms", "of it CPU ms");
    int over = 0, overCpu = 0;
    for (const auto& [name, row] : rows) {
        char full[32];
        std::snprintf(full, sizeof full, "%s%.0f", row.fullCapped ? ">" : "", row.fullMs);
        over += row.worstMs >= 100;
        overCpu += row.worstCpuMs >= 100;
        std::printf("%-44s %10s %14.1f %14.1f %s%s%s\n", name.c_str(), full, row.worstMs, row.worstCpuMs,
                    row.worstMs < 100 ? "ok" : row.worstCpuMs < 100 ? "over in wall time only" : "OVER 100 ms",
                    row.finishedFirst ? " (some decodes ended before the cancel)" : "",
                    row.error.empty() ? "" : (" [" + row.error + "]").c_str());
    }
    std::printf("%d of %zu rows over 100 ms from the cancel to the return; %d over 100 ms of the decoding "
                "thread's processor time (the rest waited for a processor)\n",
                over, rows.size(), overCpu);
}

}  // namespace

int main(int argc, char** argv)
{
    for (const QString& path : hostileFiles())
        benchmark::RegisterBenchmark(("cancel/" + vx::fileNameOf(path).toStdString()).c_str(), BM_CancelDecode, path)
            ->UseManualTime()
            ->Iterations(5)
            ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    return 0;
}
