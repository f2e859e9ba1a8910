// Sound: event sounds shaped by their sound info record however they are
// started (frames, export names, buttons, scripts), the stream sound that
// sets the pace of the frames, and our decode of every format beside
// FFmpeg's decode of the same movie. Sound is read through a recording
// sink (the mixer read by the test), never a sound card.
#include "SwfAsm.h"
#include "SwfTestUtil.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <functional>

using namespace swfw;
using swftest::Asm;
using vx::swf::Player;
using vx::swf::SoundMixer;

namespace {

class SwfSound : public ::testing::Test {
protected:
    static void SetUpTestSuite() { swftest::ensureApp(); }
};

// Reads n stereo frames from the mixer onto the end of out.
void record(SoundMixer& mixer, size_t n, std::vector<int16_t>& out)
{
    std::vector<int16_t> got(n * 2);
    mixer.read(got.data(), n);
    out.insert(out.end(), got.begin(), got.end());
}

// 200 stereo frames of 16-bit PCM: a rising left and a falling right channel.
int16_t tone(size_t frame, int channel) { return int16_t(channel == 0 ? int(frame) * 100 - 10000 : 7000 - int(frame) * 50); }

Bytes defineTone(uint16_t id)
{
    Writer d;
    d.u16(id);
    d.u8(3 << 4 | 3 << 2 | 2 | 1);  // PCM little-endian, 44.1 kHz, 16-bit, stereo
    d.u32(200);
    for (size_t i = 0; i < 200; ++i) {
        d.u16(uint16_t(tone(i, 0)));
        d.u16(uint16_t(tone(i, 1)));
    }
    return d.data;
}

struct Envelope {
    uint32_t pos;
    uint16_t left, right;
};

// A sound info record: flags say which fields follow.
Bytes soundInfo(uint8_t flags, uint32_t in = 0, uint32_t out = 0, uint16_t loops = 1, const std::vector<Envelope>& env = {})
{
    Writer w;
    w.u8(flags);
    if (flags & 0x01) w.u32(in);
    if (flags & 0x02) w.u32(out);
    if (flags & 0x04) w.u16(loops);
    if (flags & 0x08) {
        w.u8(unsigned(env.size()));
        for (const Envelope& e : env) {
            w.u32(e.pos);
            w.u16(e.left);
            w.u16(e.right);
        }
    }
    return w.data;
}

Bytes startSound(uint16_t id, const Bytes& info)
{
    Writer w;
    w.u16(id);
    w.bytes(info);
    return w.data;
}

}  // namespace

TEST_F(SwfSound, EventSoundsFollowTheirSoundInfoHoweverTheyStart)
{
    using Expect = std::function<double(size_t frame, int channel)>;
    const Expect once = [](size_t k, int c) { return k < 200 ? tone(k, c) : 0; };
    const Expect twice = [](size_t k, int c) { return k < 400 ? tone(k % 200, c) : 0; };
    Bytes byName;
    Writer n;
    n.str("beep");
    n.bytes(soundInfo(0));
    byName = n.data;
    // s = new Sound(); s.attachSound("beep"); s.setVolume(50); s.start(0, 2);
    Asm script;
    script.str("s").num(0).str("Sound").op(0x40).op(0x1D);
    script.str("beep").num(1).str("s").op(0x1C).str("attachSound").op(0x52).op(0x17);
    script.num(50).num(1).str("s").op(0x1C).str("setVolume").op(0x52).op(0x17);
    script.num(2).num(0).num(2).str("s").op(0x1C).str("start").op(0x52).op(0x17);
    const struct {
        const char* name;
        std::vector<std::pair<int, Bytes>> frame0, frame1;  // tags
        std::function<void(Player&, SoundMixer&, std::vector<int16_t>&)> drive;
        Expect expected;
    } cases[] = {
        {"start", {{15, startSound(1, soundInfo(0))}}, {}, nullptr, once},
        {"in and out points, two loops", {{15, startSound(1, soundInfo(0x07, 50, 150, 2))}}, {}, nullptr,
         [](size_t k, int c) { return k < 200 ? tone(50 + k % 100, c) : 0; }},
        {"envelope: left fades out, right fades in", {{15, startSound(1, soundInfo(0x08, 0, 0, 1, {{0, 32768, 0}, {100, 0, 32768}}))}}, {},
         nullptr,
         [](size_t k, int c) {
             if (k >= 200) return 0.0;
             const double t = std::min(1.0, k / 100.0);
             return tone(k, c) * (c == 0 ? 1 - t : t);
         }},
        {"no multiple", {{15, startSound(1, soundInfo(0))}, {15, startSound(1, soundInfo(0x10))}}, {}, nullptr, once},
        {"twice without no multiple", {{15, startSound(1, soundInfo(0))}, {15, startSound(1, soundInfo(0))}}, {}, nullptr,
         [](size_t k, int c) { return k < 200 ? 2.0 * tone(k, c) : 0; }},
        {"stopped by the next frame", {{15, startSound(1, soundInfo(0))}}, {{15, startSound(1, soundInfo(0x20))}},
         [](Player& p, SoundMixer& m, std::vector<int16_t>& out) {
             record(m, 50, out);
             p.advance();
         },
         [](size_t k, int c) { return k < 50 ? tone(k, c) : 0; }},
        {"by export name", {{89, byName}}, {}, nullptr, once},
        {"button rolled over", {}, {},
         [](Player& p, SoundMixer&, std::vector<int16_t>&) { p.mouseMove(QPointF(200, 200)); }, twice},
        {"script: attachSound, setVolume, start", {{12, [&] { Bytes b = script.b; b.push_back(0); return b; }()}}, {}, nullptr,
         [](size_t k, int c) { return k < 400 ? tone(k % 200, c) / 2.0 : 0; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Movie m(100 * 20, 100 * 20, 10);
        m.tag(14, defineTone(1));
        Writer exports;
        exports.u16(1);
        exports.u16(1);
        exports.str("beep");
        m.tag(56, exports.data);
        // A button over 0..40 px whose roll over plays the tone twice.
        ShapeBuilder s;
        s.rect(0, 0, 800, 800, s.addFill(Fill::solid(0xff0000ffu)));
        m.shape(2, s);
        m.tag(34, defineButton2(3, {{1, 2, {}}, {8, 2, {}}}, {}));
        Writer bs;
        bs.u16(3);
        for (int i = 0; i < 4; ++i) {
            bs.u16(i == 1 ? 1 : 0);
            if (i == 1) bs.bytes(soundInfo(0x04, 0, 0, 2));
        }
        m.tag(17, bs.data);
        m.place(1, 3);
        for (const auto& [code, body] : c.frame0) m.tag(code, body);
        m.showFrame();
        for (const auto& [code, body] : c.frame1) m.tag(code, body);
        m.doAction(act::stop());
        m.showFrame();
        auto mixer = std::make_shared<SoundMixer>();
        Player p(swftest::load(m), false, mixer);
        std::vector<int16_t> got;
        if (c.drive) c.drive(p, *mixer, got);
        record(*mixer, 450 - got.size() / 2, got);
        for (size_t k = 0; k < 450; ++k)
            for (int ch = 0; ch < 2; ++ch)
                ASSERT_NEAR(got[k * 2 + size_t(ch)], c.expected(k, ch), 1.0) << "frame " << k << " channel " << ch;
    }
}

namespace {

// 10 frames a second with a stream of 16-bit stereo PCM at 44.1 kHz: each
// frame's block is 4,410 frames whose samples are the frame's number
// times 10 (never 0), so what is heard tells which frame it came from.
constexpr size_t kPerFrame = 4410;

std::shared_ptr<vx::swf::Movie> streamMovie(int frames, const Bytes& frame5Action = {})
{
    Movie m(100 * 20, 100 * 20, 10);
    Writer head;
    head.u8(3 << 2 | 2 | 1);
    head.u8(3 << 4 | 3 << 2 | 2 | 1);
    head.u16(kPerFrame);
    m.tag(45, head.data);
    for (int f = 0; f < frames; ++f) {
        Writer block;
        for (size_t i = 0; i < kPerFrame * 2; ++i) block.u16(uint16_t((f + 1) * 10));
        m.tag(19, block.data);
        if (f == 5 && !frame5Action.empty()) m.doAction(frame5Action);
        m.showFrame();
    }
    return swftest::load(m);
}

// The frame a recorded sample was heard from, -1 for silence.
int heardFrame(int16_t sample) { return sample == 0 ? -1 : sample / 10 - 1; }

}  // namespace

TEST_F(SwfSound, TheTimelineFollowsTheStreamSoundWithoutDrift)
{
    // The output takes rate times a frame's sound per timer tick: slower
    // than the timer, as fast, faster (a late timer) and much faster.
    for (const double rate : {0.5, 0.9, 1.0, 1.3, 3.0}) {
        SCOPED_TRACE(rate);
        auto mixer = std::make_shared<SoundMixer>();
        Player p(streamMovie(400), false, mixer);
        std::vector<int16_t> heard;
        double owed = 0;
        for (int tick = 0; tick < 120; ++tick) {
            owed += rate * kPerFrame;
            const size_t n = size_t(owed);
            owed -= double(n);
            record(*mixer, n, heard);
            p.clockTick(true);
            // The frame shown stays within a few frames of the sound heard.
            const int now = heardFrame(heard.back());
            if (tick > 2) {
                ASSERT_NEAR(p.currentFrame(), now, 2 + 2 * rate) << "tick " << tick;
            }
        }
        // Every frame's sound was heard once, in order and without a gap
        // (after the first ticks, which start the output): the frames were
        // dropped, never the sound.
        int last = 0;
        for (size_t i = 0; i < heard.size(); ++i) {
            const int f = heardFrame(heard[i]);
            if (i > kPerFrame * 2 * 3) {
                ASSERT_NE(f, -1) << "gap at " << i;
            }
            if (f < 0) continue;
            ASSERT_TRUE(f == last || f == last + 1) << "frame " << f << " after " << last;
            last = f;
        }
        EXPECT_GT(last, int(120 * rate) - 5);
    }
    // Without the sound heard the timer alone sets the pace; an output
    // that stops reading holds the pictures for a few ticks only.
    auto mixer = std::make_shared<SoundMixer>();
    Player p(streamMovie(400), false, mixer);
    for (int tick = 0; tick < 30; ++tick) EXPECT_EQ(p.clockTick(false), 1);
    EXPECT_EQ(p.currentFrame(), 30);
    for (int tick = 0; tick < 30; ++tick) p.clockTick(true);
    EXPECT_GE(p.currentFrame(), 55);
}

TEST_F(SwfSound, PauseSeekAndStopSilenceOrResyncTheSoundAtOnce)
{
    const struct {
        const char* name;
        std::function<void(Player&)> act;
        int expectedFrame;  // the first frame heard afterwards, -1 silence
    } cases[] = {
        {"pause", [](Player& p) { p.stop(); }, -1},
        {"pause, then play", [](Player& p) { p.stop(); p.play(); p.clockTick(true); }, 5},
        {"seek forward", [](Player& p) { p.gotoFrame(40); }, 40},
        {"seek back", [](Player& p) { p.gotoFrame(1); }, 1},
        {"a script stops the timeline", [](Player& p) { for (int i = 0; i < 3; ++i) p.clockTick(true); }, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto mixer = std::make_shared<SoundMixer>();
        const bool scripted = std::string(c.name).find("script") != std::string::npos;
        Player p(streamMovie(60, scripted ? act::stop() : Bytes{}), false, mixer);
        std::vector<int16_t> heard;
        while (p.currentFrame() < 4) {
            record(*mixer, kPerFrame, heard);
            p.clockTick(true);
        }
        c.act(p);
        heard.clear();
        record(*mixer, 10, heard);
        EXPECT_EQ(heardFrame(heard.front()), c.expectedFrame);
        EXPECT_EQ(heardFrame(heard.back()), c.expectedFrame);
    }
}

namespace {

// A SoundStreamHead2 of 16-bit stereo PCM at 44.1 kHz, kPerFrame frames a block.
Bytes pcmStreamHead()
{
    Writer head;
    head.u8(3 << 2 | 2 | 1);
    head.u8(3 << 4 | 3 << 2 | 2 | 1);
    head.u16(kPerFrame);
    return head.data;
}

// A stream block of kPerFrame frames of one value.
Bytes constantBlock(int value)
{
    Writer block;
    for (size_t i = 0; i < kPerFrame * 2; ++i) block.u16(uint16_t(value));
    return block.data;
}

}  // namespace

TEST_F(SwfSound, SpriteStreamsPlayWhileTheirSpritePlays)
{
    // Sprite 1 has a stream of 100s over four frames and loops; the main
    // timeline's own stream is 10s. What is heard of each main frame tells
    // how many sprite streams were mixed in.
    const struct {
        const char* name;
        int secondAt, removeAt, removeSecondAt;  // main frames placing and removing depths 1 and 2 (-1: never)
        int spriteStopsAt;                       // sprite frame with a stop action (-1: none)
        int expected[8];                         // sprite streams heard per main frame
        int more = 0;                            // further copies placed at frame 0 (depths 3...)
    } cases[] = {
        {"plays, loops, stops when removed", -1, 6, -1, -1, {1, 1, 1, 1, 1, 1, 0, 0}},
        {"each instance its own stream", 2, 4, 7, -1, {1, 1, 2, 2, 1, 1, 1, 0}},
        {"stops when the sprite stops", -1, -1, -1, 2, {1, 1, 0, 0, 0, 0, 0, 0}},
        {"no more streams than the mixer mixes", -1, -1, -1, -1, {64, 64, 64, 64, 64, 64, 64, 64}, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Movie m(100 * 20, 100 * 20, 10);
        Writer sp;
        sp.u16(1);
        sp.u16(4);
        auto tag = [&](int code, const Bytes& b) {
            sp.u16(unsigned(code << 6 | 0x3f));
            sp.u32(uint32_t(b.size()));
            sp.bytes(b);
        };
        tag(45, pcmStreamHead());
        for (int f = 0; f < 4; ++f) {
            tag(19, constantBlock(100));
            if (f == c.spriteStopsAt) tag(12, {0x07, 0});
            tag(1, {});
        }
        tag(0, {});
        m.tag(39, sp.data);
        m.tag(45, pcmStreamHead());
        for (int f = 0; f < 8; ++f) {
            if (f == 0) m.place(1, 1);
            for (int k = 0; f == 0 && k < c.more; ++k) m.place(uint16_t(3 + k), 1);
            if (f == c.secondAt) m.place(2, 1);
            if (f == c.removeAt) m.remove(1);
            if (f == c.removeSecondAt) m.remove(2);
            m.tag(19, constantBlock(10));
            m.showFrame();
        }
        auto mixer = std::make_shared<SoundMixer>();
        Player p(swftest::load(m), false, mixer);
        p.setLoop(false);
        for (int f = 0; f < 8; ++f) {
            std::vector<int16_t> heard;
            record(*mixer, kPerFrame, heard);
            EXPECT_EQ(heard.front(), 10 + 100 * c.expected[f]) << "frame " << f;
            EXPECT_EQ(heard.back(), 10 + 100 * c.expected[f]) << "frame " << f;
            p.advance();
        }
    }
}

namespace {

bool ffmpeg(const QString& args)
{
    QProcess proc;
    proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    proc.start(QStringLiteral("ffmpeg"), (QStringLiteral("-nostdin -loglevel error -y ") + args).split(u' ', Qt::SkipEmptyParts));
    return proc.waitForFinished(60000) && proc.exitStatus() == QProcess::NormalExit && proc.exitCode() == 0;
}

bool haveFfmpeg() { return ffmpeg(QStringLiteral("-version")); }

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A stream-sound movie of the audio packets of an FLV file: their first
// byte is the format byte SWF uses too, the rest one stream block each.
QByteArray swfFromFlvAudio(const QByteArray& flv)
{
    const auto* d = reinterpret_cast<const uint8_t*>(flv.constData());
    const size_t size = size_t(flv.size());
    if (size < 13) return {};
    std::vector<Bytes> blocks;
    int format = -1;
    for (size_t at = (size_t(d[5]) << 24 | size_t(d[6]) << 16 | size_t(d[7]) << 8 | d[8]) + 4; at + 11 <= size;) {
        const size_t len = size_t(d[at + 1]) << 16 | size_t(d[at + 2]) << 8 | d[at + 3];
        if (at + 11 + len > size) break;
        if (d[at] == 8 && len > 1) {
            format = d[at + 11];
            blocks.emplace_back(d + at + 12, d + at + 11 + len);
        }
        at += 11 + len + 4;
    }
    if (format < 0) return {};
    Movie m(100 * 20, 100 * 20, 10);
    Writer head;
    head.u8(unsigned(format) & 0x0f);
    head.u8(unsigned(format));
    head.u16(0);
    m.tag(45, head.data);
    for (const Bytes& b : blocks) {
        m.tag(19, b);
        m.showFrame();
    }
    return swftest::toQt(m.bytes());
}

}  // namespace

TEST_F(SwfSound, EveryFormatDecodesAsFfmpegDecodesTheSameMovie)
{
    if (!haveFfmpeg()) GTEST_SKIP() << "no ffmpeg";
    const QString tone = QStringLiteral("-f lavfi -i sine=frequency=440:sample_rate=%1 -f lavfi -i sine=frequency=660:sample_rate=%1 "
                                        "-filter_complex [0][1]amerge=inputs=2 -t 1.5 ");
    const struct {
        const char* name;
        QString make;   // ffmpeg arguments writing the file named last
        const char* file;
        bool flv;       // the file is FLV: its audio becomes our movie's stream
        double maxError;  // largest difference of one sample allowed
    } cases[] = {
        {"MP3 stream in ffmpeg's own SWF", tone.arg(22050) + QStringLiteral("-c:a libmp3lame -ar 22050"), "s.swf", false, 2},
        {"ADPCM", tone.arg(22050) + QStringLiteral("-c:a adpcm_swf -ar 22050"), "s.flv", true, 2},
        {"Nellymoser", QStringLiteral("-f lavfi -i sine=frequency=440:sample_rate=22050 -t 1.5 -c:a nellymoser -ar 22050"), "s.flv",
         true, 2},
        {"PCM 16-bit", tone.arg(11025) + QStringLiteral("-c:a pcm_s16le -ar 11025"), "s.flv", true, 2},
        {"PCM 8-bit", tone.arg(5512) + QStringLiteral("-c:a pcm_u8 -ar 5512"), "s.flv", true, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString file = dir.filePath(QString::fromLatin1(c.file)), raw = dir.filePath(QStringLiteral("theirs.raw"));
        ASSERT_TRUE(ffmpeg(c.make + u' ' + file));
        ASSERT_TRUE(ffmpeg(QStringLiteral("-i %1 -f s16le -ac 2 -ar 44100 %2").arg(file, raw)));
        const QByteArray theirBytes = readAll(raw);
        const auto* theirs = reinterpret_cast<const int16_t*>(theirBytes.constData());
        const size_t theirCount = size_t(theirBytes.size()) / 2;
        const QByteArray movie = c.flv ? swfFromFlvAudio(readAll(file)) : readAll(file);
        ASSERT_FALSE(movie.isEmpty());

        auto mixer = std::make_shared<SoundMixer>();
        Player p(vx::swf::Movie::fromData(movie), false, mixer);
        std::vector<int16_t> ours;
        for (int i = 1; i < p.totalFrames(); ++i) {
            record(*mixer, mixer->streamQueued(), ours);
            p.clockTick(true);
        }
        record(*mixer, mixer->streamQueued(), ours);
        ASSERT_GT(ours.size(), theirCount * 9 / 10);
        // Sample by sample over the common length, at the best of a few
        // alignments (the decoders' start-up delays may differ by a frame).
        const size_t n = std::min(ours.size(), theirCount);
        ASSERT_GT(n, 40000u);
        EXPECT_GT(*std::max_element(theirs, theirs + n), 2000) << "ffmpeg's decode is a tone";
        double best = 1e9;
        int bestShift = 0;
        for (int shift = -2304; shift <= 2304; shift += 2) {
            double worst = 0;
            for (size_t i = 4608; i + 4608 < n && worst < best; ++i)
                worst = std::max(worst, std::abs(double(ours[size_t(int64_t(i) + shift)]) - theirs[i]));
            if (worst < best) {
                best = worst;
                bestShift = shift;
            }
        }
        EXPECT_LE(best, c.maxError) << "at a shift of " << bestShift / 2 << " frames";
    }
}
