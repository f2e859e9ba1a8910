// Hostile pictures opened through the real window: a few bytes that declare
// gigabytes of pixels, or files that ask for minutes of work. Each open ends
// with the red open error (or, for a valid picture, the picture), never an
// abort, and costs less than 300 MB of peak memory. The small files are in
// tests/data/hostile/ (tools/hostile/make_corpus.py writes them); the larger
// ones are made by tools/hostile/HostileFiles.
#include "MainWindowFixture.h"

#include "codecs/DecodeCancel.h"
#include "viewer/SupportedTypes.h"

#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QTest>
#include <atomic>
#include <chrono>
#include <thread>

#include "HostileFiles.h"

using HostileCorpusTest = MainWindowTest;

namespace {

// Peak resident memory of the process in KB (VmHWM), and its reset to the
// present resident size.
qint64 peakMemoryKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

void resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// A decoder that works until its decode is cancelled (a minute at most):
// a picture slower than any real one, so a key that finds the window
// answering surely came while the decode ran. Its row stays in the format
// table for the rest of the program; no other test here lists its files.
class EndlessGraphic : public vx::Graphic {
public:
    static inline std::atomic<int> started{0}, cancelled{0};

    void loadFromFile(const QString&) override { run(); }
    void loadFromData(const uint8_t*, size_t) override { run(); }
    int width() const override { return 0; }
    int height() const override { return 0; }
    vx::Bitmap bitmap() const override { return vx::Bitmap(); }

private:
    static void run()
    {
        ++started;
        const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (std::chrono::steady_clock::now() < end) {
            if (vx::cancelRequested()) {
                ++cancelled;
                throw vx::DecodeCancelled();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        throw vx::CodecError("Endless picture ended");
    }
};

}  // namespace

TEST_F(HostileCorpusTest, TheWindowAnswersTheNextKeyWhileASlowPictureDecodes)
{
    vx::addSupportedType({"VXSLOW", vx::makeGraphic<EndlessGraphic>, 29, "VXSLOW - Endless test picture",
                          int(vx::associationGroups().size()), "VXSLOW", vx::Savable});
    const struct {
        const char* name;
        QByteArray data;
    } slow[] = {
        {"a_never_ends.vxslow", QByteArray("endless")},
        // Seconds of inflating and compositing when left alone.
        {"a_7_layers_of_4096x4096.psp", vx::hostile::pspLayers(7, 4096)},
    };
    seedDefaults();
    for (const auto& c : slow) {
        SCOPED_TRACE(c.name);
        const QString name = QString::fromLatin1(c.name);
        writeText(name, c.data);
        writeBmp(QStringLiteral("b.bmp"), 40, 30);
        start();
        const int startedBefore = EndlessGraphic::started, cancelledBefore = EndlessGraphic::cancelled;
        form->openPath(picturePath(name));
        ASSERT_TRUE(form->openPending());
        const bool endless = name.endsWith(QLatin1String(".vxslow"));
        if (endless) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return EndlessGraphic::started > startedBefore; }, 10000));
        }
        // The key goes through the window's event queue like a typed one.
        QCoreApplication::postEvent(form.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " "));
        QCoreApplication::postEvent(form.get(), new QKeyEvent(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " "));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return form->nameLabel()->text() == QStringLiteral("b.bmp [2/2]") && !form->openPending(); }, 20000))
            << form->nameLabel()->text().toStdString();
        EXPECT_TRUE(labelLime());
        if (endless) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return EndlessGraphic::cancelled > cancelledBefore; }, 10000));
        }
        finish();
        QFile::remove(picturePath(name));
    }
}

TEST_F(HostileCorpusTest, EveryFileEndsInTheRedErrorOrItsPictureWithBoundedMemory)
{
    seedDefaults();
    start();
    struct Item {
        QString name;
        bool picture = false;  // a valid picture: shown, not refused
    };
    std::vector<Item> items;
    const QDir corpus(QStringLiteral(VX_TEST_DATA "/hostile"));
    for (const QString& name : corpus.entryList(QDir::Files, QDir::Name)) {
        QFile::copy(corpus.filePath(name), picturePath(name));
        // An empty metafile with a huge frame is a picture, drawn at the window's size.
        items.push_back({name, name.startsWith(QLatin1String("emf_empty_frame"))});
    }
    ASSERT_GE(items.size(), 15u);
    for (const vx::hostile::MadeFile& made : vx::hostile::madeFiles()) {
        writeText(made.name, made.data);
        items.push_back({made.name, made.picture});
    }

    for (const Item& item : items) {
        SCOPED_TRACE(item.name.toStdString());
        resetPeakMemory();
        form->openPath(picturePath(item.name));
        form->settleOpen();
        // The open may finish later than the call: wait for the label.
        const bool done = QTest::qWaitFor([&] { return labelText().contains(item.name) && (labelRed() || labelLime()); },
                                          60000);
        ASSERT_TRUE(done) << labelText().toStdString();
        EXPECT_EQ(labelRed(), !item.picture) << labelText().toStdString();
        const qint64 peak = peakMemoryKb();
        EXPECT_GT(peak, 0);
        EXPECT_LT(peak, 300 * 1024) << labelText().toStdString();
    }
}
