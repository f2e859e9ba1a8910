// The browser-cache scan over caches of thousands of entries: a Firefox
// profile and a Chromium profile, each with a mix of pictures, pages,
// scripts and large bodies, as a real cache has.
#include "support/BrowserCacheFiles.h"
#include "viewer/BrowserCache.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using namespace cachefiles;

// entries per browser; one in three is a picture, every tenth is 256 KB.
void makeCache(const QString& home, int entries)
{
    const QByteArray png = imageBytes(solidImage(16, 16, qRgb(1, 2, 3)), "PNG");
    const QByteArray page = "<!DOCTYPE html><html><body>" + QByteArray(2000, 'x') + "</body></html>";
    const QByteArray large(256 * 1024, 'z');
    const QString firefox = home + QStringLiteral("/mozilla/firefox/p.default/cache2/entries/");
    const QString chromium = home + QStringLiteral("/chromium/Default/Cache/Cache_Data/");
    for (int i = 0; i < entries; ++i) {
        const QByteArray body = i % 3 == 0 ? png : i % 10 == 1 ? large : page;
        const QString name = QString::number(quint64(i) * 2654435761u, 16).toUpper();
        put(firefox + name, firefoxEntry(body));
        put(chromium + name.toLower() + QStringLiteral("_0"), chromiumEntry(body));
    }
}

void BM_ScanBrowserCaches(benchmark::State& state)
{
    QTemporaryDir dir;
    makeCache(dir.path(), int(state.range(0)));
    size_t found = 0;
    for (auto _ : state) {
        vx::BrowserCacheList list;
        for (const QString& root : vx::browserCacheRoots(dir.path()))
            list.ScanFolderTree(root);
        found = size_t(list.files.size());
        benchmark::DoNotOptimize(found);
    }
    state.counters["entries"] = double(2 * state.range(0));
    state.counters["viewable"] = double(found);
}
BENCHMARK(BM_ScanBrowserCaches)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
