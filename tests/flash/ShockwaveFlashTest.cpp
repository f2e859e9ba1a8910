// The Flash control's operation table on movies built by the SWF writer.
#include "flash/ui/ShockwaveFlash.h"
#include "flash/ui/AudioSinkModule.h"
#include "flash/ui/SwfAudioOutput.h"

#include "swfwriter/SwfWriter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using vx::ShockwaveFlash;

using namespace swfw;

namespace {

void ensureApp()
{
    if (QApplication::instance()) return;
    static int argc = 1;
    static char name[] = "flash_tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

void wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

class FlashControl : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureApp(); }
    QTemporaryDir dir;

    // 100 x 100 stage on blue, a red square filling it; frames frames at fps;
    // frame k carries a doAction when actions[k] is set.
    QString movie(int frames, double fps, std::map<int, Bytes> actions = {})
    {
        Movie m(2000, 2000, fps);
        m.background(0x0000ff);
        ShapeBuilder s;
        s.rect(0, 0, 2000, 2000, s.addFill(Fill::solid(0xffff0000u)));
        m.shape(1, s);
        ShapeBuilder dot;
        dot.rect(900, 900, 200, 200, dot.addFill(Fill::solid(0xff00ff00u)));
        m.shape(2, dot);
        m.place(1, 1);
        m.place(2, 2);
        for (int k = 0; k < frames; ++k) {
            if (actions.count(k)) m.doAction(actions[k]);
            m.showFrame();
        }
        const QString path = dir.filePath(QStringLiteral("m%1.swf").arg(counter_++));
        const Bytes b = m.bytes(true);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(reinterpret_cast<const char*>(b.data()), qint64(b.size()));
        return path;
    }
    int counter_ = 0;
};

QRgb px(ShockwaveFlash& w, int x, int y) { return w.grabFrame().pixel(x, y) | 0xff000000u; }

}  // namespace

TEST_F(FlashControl, StartPropertiesAndNoMovie)
{
    ShockwaveFlash w;
    w.setPlaying(true);
    w.setBackgroundColor(-1);
    w.setEmbedMovie(false);
    w.setFrameNum(-1);
    w.setLoop(true);
    w.setMenu(true);
    w.setWMode(QStringLiteral("Window"));
    EXPECT_TRUE(w.Playing());
    EXPECT_EQ(w.BackgroundColor(), -1);
    EXPECT_FALSE(w.EmbedMovie());
    EXPECT_EQ(w.FrameNum(), -1);
    EXPECT_TRUE(w.Loop());
    EXPECT_TRUE(w.Menu());
    EXPECT_EQ(w.WMode(), "Window");
    EXPECT_EQ(w.TotalFrames(), 0);
    EXPECT_EQ(w.CurrentFrame(), 0);
    w.GotoFrame(5);  // harmless without a movie
    w.setMovie(dir.filePath(QStringLiteral("missing.swf")));
    EXPECT_EQ(w.TotalFrames(), 0);
}

TEST_F(FlashControl, MovieGivesTotalFramesAtOnceAndGotoFrameClamps)
{
    ShockwaveFlash w;
    w.setMovie(movie(10, 12));
    EXPECT_EQ(w.TotalFrames(), 10);
    EXPECT_EQ(w.CurrentFrame(), 0);
    w.GotoFrame(4);
    EXPECT_EQ(w.CurrentFrame(), 4);
    EXPECT_EQ(w.FrameNum(), 4);
    w.GotoFrame(-3);  // rewind past the start
    EXPECT_EQ(w.CurrentFrame(), 0);
    w.GotoFrame(15);
    EXPECT_EQ(w.CurrentFrame(), 9);
    w.setFrameNum(2);
    EXPECT_EQ(w.CurrentFrame(), 2);
}

TEST_F(FlashControl, PlayStopPlayAndStopDriveTheTimer)
{
    ShockwaveFlash w;
    w.setMovie(movie(200, 100));
    w.GotoFrame(0);
    w.Play();
    EXPECT_TRUE(w.Playing());
    EXPECT_TRUE(w.IsPlaying());
    wait(300);
    const int moved = w.CurrentFrame();
    EXPECT_GT(moved, 3);
    w.StopPlay();
    EXPECT_FALSE(w.Playing());
    const int paused = w.CurrentFrame();
    wait(100);
    EXPECT_EQ(w.CurrentFrame(), paused);
    w.Play();  // resumes from the paused frame
    wait(100);
    EXPECT_GT(w.CurrentFrame(), paused);
    w.Stop();
    EXPECT_FALSE(w.IsPlaying());
}

TEST_F(FlashControl, LoopOffStopsAtTheEnd)
{
    ShockwaveFlash w;
    w.setLoop(false);
    w.setMovie(movie(3, 100));
    wait(200);
    EXPECT_EQ(w.CurrentFrame(), 2);
    EXPECT_FALSE(w.Playing());
}

TEST_F(FlashControl, StopActionPausesTheMovie)
{
    ShockwaveFlash w;
    w.setMovie(movie(5, 100, {{2, act::stop()}}));
    wait(200);
    EXPECT_EQ(w.CurrentFrame(), 2);
    EXPECT_FALSE(w.Playing());
}

TEST_F(FlashControl, FsCommandSignal)
{
    ShockwaveFlash w;
    std::vector<std::pair<QString, QString>> got;
    QObject::connect(&w, &ShockwaveFlash::OnFSCommand,
                     [&](const QString& c, const QString& a) { got.emplace_back(c, a); });
    w.setMovie(movie(3, 1, {{0, act::getURL("FSCommand:intro", "1")}, {1, act::getURL("FSCommand:showmenu", "false")}}));
    EXPECT_TRUE(got.empty());
    wait(5);
    ASSERT_EQ(got.size(), 1u);  // the first frame's command comes once the movie is open
    EXPECT_EQ(got[0].first, "intro");
    w.GotoFrame(1);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].first, "showmenu");
    EXPECT_EQ(got[1].second, "false");
}

TEST_F(FlashControl, ScaleModesZoomAndBackground)
{
    ShockwaveFlash w;
    w.resize(200, 100);
    w.setMovie(movie(1, 12));
    w.StopPlay();
    w.setScaleMode(0);  // show all: blue letterbox, red stage
    EXPECT_EQ(px(w, 10, 50), 0xff0000ffu);
    EXPECT_EQ(px(w, 70, 50), 0xffff0000u);
    w.setScaleMode(2);  // exact fit
    EXPECT_EQ(px(w, 10, 50), 0xffff0000u);
    w.setScaleMode(1);  // no border
    EXPECT_EQ(px(w, 10, 50), 0xffff0000u);
    w.setScaleMode(3);  // no scale: the 100 px stage in the middle
    EXPECT_EQ(px(w, 45, 50), 0xff0000ffu);
    EXPECT_EQ(px(w, 60, 50), 0xffff0000u);
    w.setScaleMode(7);  // not a mode: ignored
    EXPECT_EQ(w.ScaleMode(), 3);

    // The green 10 px dot at the centre doubles with Zoom(50).
    w.setScaleMode(0);
    EXPECT_EQ(px(w, 100 + 7, 50), 0xffff0000u);
    w.Zoom(50);
    EXPECT_EQ(px(w, 100 + 7, 50), 0xff00ff00u);
    w.Zoom(200);
    w.Zoom(200);  // now reduced below the whole stage
    EXPECT_EQ(px(w, 100, 20), 0xff0000ffu);
    w.Zoom(0);
    EXPECT_DOUBLE_EQ(w.zoomFactor(), 1.0);
    EXPECT_EQ(px(w, 100, 20), 0xffff0000u);

    w.setBackgroundColor(0x00ff00);
    EXPECT_EQ(px(w, 10, 50), 0xff00ff00u);
    w.setBackgroundColor(-1);
    EXPECT_EQ(px(w, 10, 50), 0xff0000ffu);
}

TEST_F(FlashControl, QualityNamesAndRenderCache)
{
    ShockwaveFlash w;
    w.resize(120, 80);
    w.setQuality2(QStringLiteral("Low"));
    EXPECT_EQ(w.Quality2(), "Low");
    w.setQuality2(QStringLiteral("Medium"));
    EXPECT_EQ(w.Quality2(), "Medium");
    w.setQuality2(QStringLiteral("nonsense"));
    EXPECT_EQ(w.Quality2(), "Medium");
    w.setQuality2(QStringLiteral("High"));
    w.setMovie(movie(2, 12));
    w.StopPlay();
    (void)w.grabFrame();
    const int renders = w.renderCount();
    (void)w.grabFrame();
    (void)w.grabFrame();
    EXPECT_EQ(w.renderCount(), renders);  // unchanged frame: drawn once
    w.GotoFrame(1);
    (void)w.grabFrame();
    EXPECT_EQ(w.renderCount(), renders + 1);
    w.resize(300, 200);
    w.RecreateWnd();
    EXPECT_EQ(w.grabFrame().size(), QSize(300, 200));
    w.SetFocus();
}

TEST_F(FlashControl, APlayButtonAnswersTheMouseAndAWebAddressIsAskedFirst)
{
    Movie m(2000, 2000, 1);  // one frame a second: nothing moves by itself
    ShapeBuilder s;
    s.rect(0, 0, 800, 800, s.addFill(Fill::solid(0xff00ff00u)));
    m.shape(1, s);
    Bytes release = act::play();
    const Bytes url = act::getURL("http://example.org/", "_blank");
    release.insert(release.end(), url.begin(), url.end());
    m.tag(34, defineButton2(2, {{15, 1, {}}}, {{0x08, release}}));
    m.place(1, 2, Matrix::translate(600, 600));
    m.doAction(act::stop());
    m.showFrame();
    m.showFrame();
    const QString path = dir.filePath(QStringLiteral("button.swf"));
    const Bytes b = m.bytes();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(b.data()), qint64(b.size()));
    f.close();

    ShockwaveFlash w;
    QStringList asked;
    std::vector<QUrl> opened;
    w.askOpenUrl = [&](const QString& u) { asked << u; return true; };
    w.openUrl = [&](const QUrl& u) { opened.push_back(u); };
    w.resize(100, 100);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.setMovie(path);
    w.GotoFrame(0);
    w.Play();  // as the window opens a movie
    wait(5);
    EXPECT_FALSE(w.Playing());  // the first frame's stop holds it
    QTest::mouseMove(&w, QPoint(50, 50));
    EXPECT_EQ(w.cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_TRUE(w.Playing());
    wait(50);
    EXPECT_EQ(asked, QStringList{QStringLiteral("http://example.org/")});
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl(QStringLiteral("http://example.org/")));
    QTest::mouseMove(&w, QPoint(5, 5));
    EXPECT_EQ(w.cursor().shape(), Qt::ArrowCursor);
}

TEST(FlashAudio, TheOutputModuleLoadsAndAnOutputWithoutADeviceStaysSilent)
{
    ensureApp();
    // Built next to the program: a missing or broken module would leave
    // every movie silent without a word.
    ASSERT_TRUE(vx::AudioSinkModule::get().loaded());
    auto mixer = std::make_shared<vx::swf::SoundMixer>();
    vx::SwfAudioOutput output(mixer);
    output.flush();  // with or without a device: nothing breaks
    if (output.active()) {
        char frames[64];
        EXPECT_EQ(output.read(frames, sizeof frames), qint64(sizeof frames));
    }
}
