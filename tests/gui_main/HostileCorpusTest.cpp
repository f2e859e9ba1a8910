// Hostile pictures opened through the real window: a few bytes that declare
// gigabytes of pixels, or files that ask for minutes of work. Each open ends
// with the red open error (or, for a valid picture, the picture), never an
// abort, and costs less than 300 MB of peak memory. The small files are in
// tests/data/hostile/ (tools/hostile/make_corpus.py writes them); the larger
// ones are made by tools/hostile/HostileFiles.
#include "MainWindowFixture.h"

#include <QDir>
#include <QFile>
#include <QTest>

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

}  // namespace

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
