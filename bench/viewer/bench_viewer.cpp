// Folder scan against a bare directory listing, and quarter turns against memcpy.
#include "RatioReporter.h"
#include "codecs/Bitmap.h"
#include "viewer/FolderList.h"
#include "viewer/Rotate.h"

#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const kFolder = "/tmp/vx-bench-folder-100k";
constexpr int kFiles = 100000;

void makeFolder()
{
    static bool made = false;
    if (made)
        return;
    QDir().mkpath(QString::fromLatin1(kFolder));
    const char* const ext[] = {".jpg", ".png", ".txt", ".GIF", ".tiff"};
    for (int i = 0; i < kFiles; ++i) {
        char name[256];
        std::snprintf(name, sizeof name, "%s/picture_%06d%s", kFolder, i, ext[i % 5]);
        int fd = ::open(name, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0)
            ::close(fd);
    }
    made = true;
}

void BM_RebuildFolderList(benchmark::State& state)
{
    makeFolder();
    vx::FolderNavigation nav;
    nav.CurrentPath = QString::fromLatin1(kFolder) + QStringLiteral("/picture_050000.jpg");
    for (auto _ : state) {
        nav.RebuildFolderList();
        benchmark::DoNotOptimize(nav.FolderFileList.size());
    }
    state.counters["kept"] = double(nav.count());
}

// A folder listed for the first time: no earlier list to take paths from.
void BM_ListNewFolder(benchmark::State& state)
{
    makeFolder();
    const QString folder = QString::fromLatin1(kFolder) + QLatin1Char('/');
    for (auto _ : state) {
        const QStringList files = vx::listViewableFiles(folder);
        benchmark::DoNotOptimize(files.size());
    }
}

// The least any scan must do: read every entry of the folder.
void BM_BareDirectoryListing(benchmark::State& state)
{
    makeFolder();
    for (auto _ : state) {
        size_t n = 0;
        DIR* dir = opendir(kFolder);
        while (const dirent* e = readdir(dir))
            n += std::strlen(e->d_name) > 0;
        closedir(dir);
        benchmark::DoNotOptimize(n);
    }
}

vx::Bitmap bigBitmap()
{
    vx::Bitmap b(6000, 4000, 24);
    for (int y = 0; y < b.height(); ++y)
        std::memset(b.scanLine(y), y & 0xFF, size_t(b.width()) * 3);
    return b;
}

void BM_RotateBitmap6000x4000(benchmark::State& state)
{
    vx::Bitmap b = bigBitmap();
    for (auto _ : state) {
        vx::RotateBitmap(b, 90);
        benchmark::DoNotOptimize(b.bits());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(b.byteCount()));
}

void BM_MemcpySameSize(benchmark::State& state)
{
    const vx::Bitmap b = bigBitmap();
    std::vector<uint8_t> out(b.byteCount());
    for (auto _ : state) {
        std::memcpy(out.data(), b.bits(), b.byteCount());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(b.byteCount()));
}

BENCHMARK(BM_RebuildFolderList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListNewFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareDirectoryListing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateBitmap6000x4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpySameSize)->Unit(benchmark::kMillisecond);

}  // namespace

// Listing and turning run on one thread and on cached data: processor time
// compares them fairly on a shared machine.
int main(int argc, char** argv)
{
    return vxbench::runWithRatios(argc, argv,
                                  {{"BM_RebuildFolderList", "BM_BareDirectoryListing", 1.5},
                                   {"BM_ListNewFolder", "BM_BareDirectoryListing", 2.0},
                                   {"BM_RotateBitmap6000x4000", "BM_MemcpySameSize", 4.0}},
                                  vxbench::RatioClock::Processor);
}
