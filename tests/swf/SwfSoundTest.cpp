// Sound: event sounds and stream sound decoded and mixed through a
// recording sink (the mixer read by the test), checked against our own PCM
// and against FFmpeg's decode of a movie it wrote.
#include "SwfTestUtil.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>

using namespace swfw;
using vx::swf::Player;
using vx::swf::SoundMixer;

namespace {

class SwfSound : public ::testing::Test {
protected:
    static void SetUpTestSuite() { swftest::ensureApp(); }
};

// Reads what the mixer holds now: n stereo frames.
std::vector<int16_t> record(SoundMixer& mixer, size_t n)
{
    std::vector<int16_t> out(n * 2);
    mixer.read(out.data(), n);
    return out;
}

}  // namespace

TEST_F(SwfSound, EventSoundsPlayTheirSamplesLoopAndStopOnPause)
{
    // 100 frames of 16-bit stereo PCM at 44.1 kHz (format 3), started with two loops.
    Movie m(20 * 20, 20 * 20, 10);
    Writer d;
    d.u16(1);
    d.u8(3 << 4 | 3 << 2 | 2 | 1);
    d.u32(100);
    std::vector<int16_t> pcm;
    for (int i = 0; i < 200; ++i) pcm.push_back(int16_t(i * 100 - 10000));
    for (int16_t v : pcm) d.u16(uint16_t(v));
    m.tag(14, d.data);
    Writer start;
    start.u16(1);
    start.u8(0x04);
    start.u16(2);
    m.tag(15, start.data);
    m.showFrame();
    m.showFrame();
    Player p(swftest::load(m));
    auto mixer = std::make_shared<SoundMixer>();
    p.setSoundMixer(mixer);
    p.gotoFrame(1);
    p.gotoFrame(0);  // the jump back starts the sound again
    const std::vector<int16_t> got = record(*mixer, 250);
    for (size_t i = 0; i < 400; ++i) ASSERT_EQ(got[i], pcm[i % 200]) << i;
    for (size_t i = 400; i < 500; ++i) ASSERT_EQ(got[i], 0) << i;
    p.gotoFrame(1);
    p.gotoFrame(0);
    p.stop();  // pausing silences at once
    const std::vector<int16_t> after = record(*mixer, 10);
    EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](int16_t v) { return v == 0; }));
}

TEST_F(SwfSound, StreamSoundMatchesFfmpegsDecodeOfTheSameMovie)
{
    if (QProcess::execute(QStringLiteral("ffmpeg"), {QStringLiteral("-version")}) != 0) GTEST_SKIP() << "no ffmpeg";
    QTemporaryDir dir;
    const QString movie = dir.filePath(QStringLiteral("tone.swf")), raw = dir.filePath(QStringLiteral("tone.raw"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("ffmpeg"),
                                QStringLiteral("-loglevel error -y -f lavfi -i sine=frequency=440:sample_rate=22050 -f lavfi "
                                               "-i color=c=red:size=32x24:rate=12 -t 2 -c:v flv1 -c:a mp3 -ar 22050 ")
                                        .split(u' ', Qt::SkipEmptyParts) << movie), 0);
    ASSERT_EQ(QProcess::execute(QStringLiteral("ffmpeg"),
                                QStringLiteral("-loglevel error -y -i %1 -f s16le -ac 2 -ar 44100 %2").arg(movie, raw).split(u' ', Qt::SkipEmptyParts)), 0);
    QFile f(raw);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray theirsBytes = f.readAll();
    const auto* theirs = reinterpret_cast<const int16_t*>(theirsBytes.constData());
    const size_t theirCount = size_t(theirsBytes.size()) / 2;

    Player p(vx::swf::Movie::fromFile(movie));
    auto mixer = std::make_shared<SoundMixer>();
    p.setSoundMixer(mixer);
    p.gotoFrame(0);
    std::vector<int16_t> ours;
    p.runPendingActions();
    for (int i = 1; i < p.totalFrames(); ++i) p.advance();
    ours = record(*mixer, mixer->streamQueued());
    ASSERT_GT(ours.size(), theirCount / 2);
    // The same tone: compare over the common length, allowing a small shift.
    const size_t n = std::min(ours.size(), theirCount) - 4000;
    double best = 1e30, energy = 0;
    for (size_t i = 2000; i < n; ++i) energy += double(theirs[i]) * theirs[i];
    for (int shift = -1200; shift <= 1200; shift += 2) {
        double diff = 0;
        for (size_t i = 2000; i < n; i += 7) {
            const double d = double(ours[size_t(int64_t(i) + shift)]) - theirs[i];
            diff += d * d;
        }
        best = std::min(best, diff * 7);
    }
    EXPECT_LT(best / energy, 0.01) << "relative error energy";
}
