// How soon a decode stops once it is cancelled: each hostile picture (the
// corpus files and the larger made ones) and a slow valid picture of each
// decoder and decoding path (tools/hostile/SlowPictures) is decoded on the window's
// decoding thread for a 1280 x 800 area, cancelled a few milliseconds after
// it started, and the time from the cancel until the decode returned is the
// row's figure. Before that, each file is decoded once without a cancel
// (given up after two seconds) to show how much work the cancel saved. The
// summary at the end marks every row over 100 ms.
#include "HostileFiles.h"
#include "SlowPictures.h"
#include "viewer/DecodeQueue.h"
#include "viewer/FolderList.h"
#include "viewer/ViewGeometry.h"

#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kCancelAfter = std::chrono::milliseconds(5);
constexpr auto kFullDecodeCap = std::chrono::seconds(2);

const QString kMadeFolder = QStringLiteral("/tmp/vx-bench-cancel");

struct Row {
    double fullMs = 0;       // the decode left alone (capped)
    bool fullCapped = false;
    double worstMs = 0;      // cancel to return, worst of the iterations
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

// The decode left alone, up to the cap.
void measureFull(vx::DecodeQueue& queue, const QString& path, Row& row)
{
    const auto start = Clock::now();
    auto job = queue.submit(request(path), true, nullptr);
    while (!queue.finished(job) && Clock::now() - start < kFullDecodeCap)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    row.fullCapped = !queue.finished(job);
    job->cancel();
    queue.wait(job);
    row.fullMs = msSince(start, Clock::now());
    if (!row.fullCapped)
        row.error = job->result().error.toStdString();
}

void BM_CancelDecode(benchmark::State& state, QString path)
{
    vx::DecodeQueue queue;
    Row& row = rows[vx::fileNameOf(path).toStdString()];
    measureFull(queue, path, row);
    for (auto _ : state) {
        auto job = queue.submit(request(path), true, nullptr);
        std::this_thread::sleep_for(kCancelAfter);
        const bool finishedFirst = queue.finished(job);
        const auto cancelled = Clock::now();
        job->cancel();
        queue.wait(job);
        const double ms = finishedFirst ? 0.0 : msSince(cancelled, Clock::now());
        row.finishedFirst = row.finishedFirst || finishedFirst;
        row.worstMs = std::max(row.worstMs, ms);
        state.SetIterationTime(ms / 1000.0);
    }
    state.counters["full_ms"] = row.fullMs;
    state.counters["worst_ms"] = row.worstMs;
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
    std::printf("\n%-48s %14s %20s\n", "file", "left alone ms", "cancel to return ms");
    int over = 0;
    for (const auto& [name, row] : rows) {
        char full[32];
        std::snprintf(full, sizeof full, "%s%.0f", row.fullCapped ? ">" : "", row.fullMs);
        const char* verdict = row.worstMs < 100 ? "ok" : "OVER 100 ms";
        if (row.worstMs >= 100)
            ++over;
        std::printf("%-48s %14s %20.1f %s%s%s\n", name.c_str(), full, row.worstMs, verdict,
                    row.finishedFirst ? " (some decodes ended before the cancel)" : "",
                    row.error.empty() ? "" : (" [" + row.error + "]").c_str());
    }
    std::printf("%d of %zu rows over 100 ms\n", over, rows.size());
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
