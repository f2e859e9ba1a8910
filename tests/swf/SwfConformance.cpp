// swf-conformance: renders each movie of a conformance folder through our
// player at the frames its test.toml names and compares with the reference
// pictures. Prints the number of movies that pass and each movie's outlier
// count. Fails only when a movie cannot be loaded or rendered.
//
// Usage: swf-conformance [folder] [--out dir] [--only text]
//   dir receives our pictures; --only runs the movies whose names contain text
#include "swf/SwfPlayer.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <cstdio>
#include <map>
#include <vector>

namespace {

struct Check {
    int tolerance = 0;
    long maxOutliers = 0;
};
struct Comparison {
    QString name;
    int trigger = -1;  // -1: last frame
    std::vector<Check> checks;
};
struct TestSpec {
    int frames = 1;
    QString quality = QStringLiteral("high");
    QSize viewport;  // empty: the stage size
    std::vector<Comparison> comparisons;
};

// The few keys of test.toml that matter here, read line by line.
TestSpec readToml(const QString& path)
{
    TestSpec spec;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return spec;
    std::map<QString, size_t> index;
    Comparison* cur = nullptr;
    Check* check = nullptr;
    bool inPlayer = false;
    const QRegularExpression section(QStringLiteral(R"x(^\[(\[)?\s*([^\]]+?)\s*\]\]?$)x"));
    const QRegularExpression keyValue(QStringLiteral(R"x(^([A-Za-z_0-9]+)\s*=\s*(.+)$)x"));
    const QRegularExpression quality(QStringLiteral(R"x(quality\s*=\s*"(\w+)")x"));
    const QRegularExpression dims(QStringLiteral(R"x(width\s*=\s*(\d+)\s*,\s*height\s*=\s*(\d+))x"));
    for (QString line : QString::fromUtf8(f.readAll()).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        if (auto m = section.match(line); m.hasMatch()) {
            const QString name = m.captured(2);
            const bool array = !m.captured(1).isEmpty();
            inPlayer = name == u"player_options";
            cur = nullptr;
            check = nullptr;
            if (name.startsWith(u"image_comparisons.")) {
                QString rest = name.mid(18);
                const bool isChecks = rest.endsWith(u".checks");
                if (isChecks) rest.chop(7);
                if (!index.count(rest)) {
                    index[rest] = spec.comparisons.size();
                    spec.comparisons.push_back({rest, -1, {}});
                }
                cur = &spec.comparisons[index[rest]];
                if (isChecks && array) {
                    cur->checks.push_back({});
                    check = &cur->checks.back();
                } else if (cur->checks.empty()) {
                    cur->checks.push_back({});
                    check = &cur->checks.back();
                } else {
                    check = &cur->checks.back();
                }
            }
            continue;
        }
        auto m = keyValue.match(line);
        if (!m.hasMatch()) continue;
        const QString key = m.captured(1), value = m.captured(2).trimmed();
        if (!cur && !inPlayer && (key == u"num_frames" || key == u"num_ticks")) spec.frames = value.toInt();
        else if (inPlayer && key == u"with_renderer") {
            if (auto q = quality.match(value); q.hasMatch()) spec.quality = q.captured(1);
        } else if (inPlayer && key == u"viewport_dimensions") {
            if (auto d = dims.match(value); d.hasMatch()) spec.viewport = QSize(d.captured(1).toInt(), d.captured(2).toInt());
        } else if (cur && key == u"trigger") {
            bool ok = false;
            const int k = value.toInt(&ok);
            cur->trigger = ok ? k : -1;
        } else if (check && key == u"tolerance") {
            check->tolerance = value.toInt();
        } else if (check && key == u"max_outliers") {
            check->maxOutliers = value.toLong();
        }
    }
    if (spec.comparisons.empty()) spec.comparisons.push_back({QStringLiteral("output"), -1, {Check{}}});
    return spec;
}

long outliers(const QImage& ours, const QImage& expected, int tolerance)
{
    if (ours.size() != expected.size()) return long(expected.width()) * expected.height() * 4 + 1;
    long n = 0;
    for (int y = 0; y < ours.height(); ++y) {
        const QRgb* a = reinterpret_cast<const QRgb*>(ours.constScanLine(y));
        const QRgb* b = reinterpret_cast<const QRgb*>(expected.constScanLine(y));
        for (int x = 0; x < ours.width(); ++x) {
            n += std::abs(qRed(a[x]) - qRed(b[x])) > tolerance;
            n += std::abs(qGreen(a[x]) - qGreen(b[x])) > tolerance;
            n += std::abs(qBlue(a[x]) - qBlue(b[x])) > tolerance;
            n += std::abs(qAlpha(a[x]) - qAlpha(b[x])) > tolerance;
        }
    }
    return n;
}

// Differences magnified, with the first few printed, for looking at a failure.
void writeDiff(const QImage& ours, const QImage& expected, const QString& path)
{
    if (ours.size() != expected.size()) return;
    QImage d(ours.size(), QImage::Format_RGB32);
    int printed = 0;
    for (int y = 0; y < ours.height(); ++y)
        for (int x = 0; x < ours.width(); ++x) {
            const QRgb a = ours.pixel(x, y), b = expected.pixel(x, y);
            const int dr = std::abs(qRed(a) - qRed(b)), dg = std::abs(qGreen(a) - qGreen(b)),
                      db = std::abs(qBlue(a) - qBlue(b)), da = std::abs(qAlpha(a) - qAlpha(b));
            d.setPixel(x, y, qRgb(std::min(255, dr * 8), std::min(255, dg * 8), std::min(255, (db + da) * 8)));
            if (std::max({dr, dg, db, da}) > qEnvironmentVariableIntValue("VX_SWF_DIFF") && printed < (qEnvironmentVariableIsSet("VX_SWF_DIFF_ALL") ? 100 : 6) && qEnvironmentVariableIsSet("VX_SWF_DIFF")) {
                std::printf("   (%d,%d) ours %08x expected %08x\n", x, y, a, b);
                ++printed;
            }
        }
    d.save(path);
}

vx::swf::Quality qualityOf(const QString& q)
{
    if (q == u"low") return vx::swf::Quality::Low;
    if (q == u"medium") return vx::swf::Quality::Medium;
    return vx::swf::Quality::High;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    QString folder = QStringLiteral(VX_SWF_CONFORMANCE_DIR);
    QString outDir, only;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == u"--out" && i + 1 < args.size()) outDir = args[++i];
        else if (args[i] == u"--only" && i + 1 < args.size()) only = args[++i];
        else folder = args[i];
    }
    QDir dir(folder);
    if (!dir.exists()) {
        std::printf("conformance folder %s not found: skipped\n", qPrintable(folder));
        return 0;
    }
    if (!outDir.isEmpty()) QDir().mkpath(outDir);
    int total = 0, passed = 0, errors = 0;
    // The first group: shapes, strokes, gradients, bitmaps, masks, colour
    // transforms, text and the timeline; the second: what Flash 8 added.
    int groupTotal[2] = {}, groupPassed[2] = {};
    const QRegularExpression later(QStringLiteral("blend_modes|filters|cache_as_bitmap|video|avm1"));
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString base = dir.filePath(name) + u'/';
        if (!QFile::exists(base + QStringLiteral("test.swf"))) continue;
        if (!only.isEmpty() && !name.contains(only)) continue;
        ++total;
        const int group = later.match(name).hasMatch() ? 1 : 0;
        ++groupTotal[group];
        const TestSpec spec = readToml(base + QStringLiteral("test.toml"));
        try {
            auto movie = vx::swf::Movie::fromFile(base + QStringLiteral("test.swf"));
            vx::swf::Player player(movie);
            const QRectF st = movie->stage();
            const QSize size = spec.viewport.isEmpty()
                                   ? QSize(int(std::lround(st.width() / 20)), int(std::lround(st.height() / 20)))
                                   : spec.viewport;
            std::map<int, QImage> shots;
            const int frames = std::max(1, spec.frames);
            for (int k = 1; k <= frames; ++k) {
                if (k > 1) player.advance();
                bool want = k == frames;
                for (const auto& c : spec.comparisons) want = want || c.trigger == k;
                if (want)
                    shots[k] = player.renderImage(size, qualityOf(spec.quality)).convertToFormat(QImage::Format_ARGB32);
            }
            bool allPass = true;
            QString detail;
            for (const auto& c : spec.comparisons) {
                const int k = c.trigger > 0 ? std::min(c.trigger, frames) : frames;
                const QImage& ours = shots[k];
                QImage expected(base + c.name + QStringLiteral(".expected.png"));
                expected = expected.convertToFormat(QImage::Format_ARGB32);
                if (!outDir.isEmpty()) {
                    ours.save(outDir + u'/' + name + u'.' + c.name + QStringLiteral(".png"));
                    writeDiff(ours, expected, outDir + u'/' + name + u'.' + c.name + QStringLiteral(".diff.png"));
                }
                for (const Check& ch : c.checks) {
                    const long n = outliers(ours, expected, ch.tolerance);
                    const bool ok = n <= ch.maxOutliers;
                    allPass = allPass && ok;
                    detail += QStringLiteral(" %1[tol %2]=%3/%4%5")
                                  .arg(c.name).arg(ch.tolerance).arg(n).arg(ch.maxOutliers).arg(ok ? "" : "!");
                }
            }
            passed += allPass;
            groupPassed[group] += allPass;
            std::printf("%-4s %s:%s\n", allPass ? "PASS" : "fail", qPrintable(name), qPrintable(detail));
        } catch (const std::exception& e) {
            ++errors;
            std::printf("ERROR %s: %s\n", qPrintable(name), e.what());
        }
        std::fflush(stdout);
    }
    std::printf("shapes, text and timeline: %d of %d pass\n", groupPassed[0], groupTotal[0]);
    std::printf("blend modes, filters, caching, video and mouse: %d of %d pass\n", groupPassed[1], groupTotal[1]);
    std::printf("%d of %d movies pass\n", passed, total);
    return errors ? 1 : 0;
}
