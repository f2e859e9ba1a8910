// Starting and closing with a settings file of 40,000 values: the start-up
// reads and the shutdown writes, each parsing the file once.
#include "platform/HiveFile.h"
#include "settings/SettingsKey.h"
#include "settings/ViewerSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace vx;

namespace {

constexpr int kValues = 40000;

// A settings file of kValues values; `variant` changes one of them, so that
// alternating variants makes every read parse the file again.
QByteArray settingsFile(int variant)
{
    QByteArray text = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vextrel Viewer\\version 2.03]\n";
    text += "\"Variant\"=dword:0000000" + QByteArray::number(variant) + "\n";
    for (int i = 0; i < kValues; ++i) {
        if (i % 2)
            text += "\"Value" + QByteArray::number(i) + "\"=\"some text " + QByteArray::number(i) + "\"\n";
        else
            text += "\"Value" + QByteArray::number(i) + "\"=dword:" + QByteArray::number(i, 16).rightJustified(8, '0') + "\n";
    }
    return text;
}

struct Home {
    QTemporaryDir dir;
    Home()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
        QDir().mkpath(registryFolder());
    }
    void write(const QByteArray& bytes) const
    {
        QFile f(hiveFilePath(kSettingsHive));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
    }
};

void BM_LoadHive40k(benchmark::State& state)
{
    Home home;
    const QByteArray files[2] = {settingsFile(0), settingsFile(1)};
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        home.write(files[n++ % 2]);
        state.ResumeTiming();
        benchmark::DoNotOptimize(loadHive(kSettingsHive).keys.size());
    }
}
BENCHMARK(BM_LoadHive40k)->Unit(benchmark::kMillisecond);

// What start-up and shutdown do with the store, on a file changed since.
void BM_StartAndClose40k(benchmark::State& state)
{
    Home home;
    const QByteArray files[2] = {settingsFile(0), settingsFile(1)};
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        home.write(files[n++ % 2]);
        state.ResumeTiming();
        const StartupSettings s = readStartupSettings(QStringLiteral("/program/"));
        benchmark::DoNotOptimize(s.imageScale);
        startLogoWanted();
        writeShutdownSettings(QRect(10, 10, 400, 300), false, ColorRef(0));
    }
}
BENCHMARK(BM_StartAndClose40k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
