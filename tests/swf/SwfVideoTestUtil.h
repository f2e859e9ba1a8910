// Building movies with embedded video for the tests: Screen Video packets
// of our own making, FLV files unwrapped into SWF video tags, and FFmpeg run
// as the outside oracle.
#pragma once

#include "SwfTestUtil.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QImage>
#include <functional>

namespace swftest {

// DefineVideoStream of id for a codec.
inline swfw::Bytes defineVideo(uint16_t id, int frames, int w, int h, int codec, int deblocking = 0, bool smoothing = false)
{
    swfw::Writer b;
    b.u16(id);
    b.u16(unsigned(frames));
    b.u16(unsigned(w));
    b.u16(unsigned(h));
    b.u8(unsigned((deblocking & 7) << 1 | (smoothing ? 1 : 0)));
    b.u8(unsigned(codec));
    return b.data;
}

inline swfw::Bytes videoFrame(uint16_t id, int number, const swfw::Bytes& packet)
{
    swfw::Writer b;
    b.u16(id);
    b.u16(unsigned(number));
    b.bytes(packet);
    return b.data;
}

// A Screen Video (version 1) packet of img in 16 x 16 blocks; `keep`
// says for each block (rows from the bottom, as the format orders them)
// that it is left as the previous picture had it.
inline swfw::Bytes screenPacket(const QImage& img, const std::function<bool(int col, int row)>& keep = {})
{
    const int w = img.width(), h = img.height(), bs = 16;
    swfw::Writer p;
    p.ub(unsigned(bs / 16 - 1), 4);
    p.ub(unsigned(w), 12);
    p.ub(unsigned(bs / 16 - 1), 4);
    p.ub(unsigned(h), 12);
    const int cols = (w + bs - 1) / bs, rows = (h + bs - 1) / bs;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            if (keep && keep(c, r)) {
                p.u8(0);
                p.u8(0);
                continue;
            }
            swfw::Bytes raw;
            const int y0 = h - r * bs, y1 = std::max(0, y0 - bs);  // rows from the bottom up
            for (int y = y0 - 1; y >= y1; --y)
                for (int x = c * bs; x < std::min(w, c * bs + bs); ++x) {
                    const QRgb px = img.pixel(x, y);
                    raw.push_back(uint8_t(qBlue(px)));
                    raw.push_back(uint8_t(qGreen(px)));
                    raw.push_back(uint8_t(qRed(px)));
                }
            const swfw::Bytes z = swfw::zlibCompress(raw);
            p.u8(unsigned(z.size() >> 8));
            p.u8(unsigned(z.size() & 0xff));
            p.bytes(z);
        }
    }
    return p.data;
}

inline QImage solid(int w, int h, QRgb colour)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(colour);
    return img;
}

// The video packets of an FLV file: codec id and payload (for VP6, without
// the size adjustment byte FLV adds).
struct FlvPacket {
    int codec;
    bool key;
    swfw::Bytes data;
};
inline std::vector<FlvPacket> flvVideoPackets(const QByteArray& flv)
{
    std::vector<FlvPacket> out;
    const auto* d = reinterpret_cast<const uint8_t*>(flv.constData());
    const size_t n = size_t(flv.size());
    if (n < 13) return out;
    size_t at = size_t(d[5]) << 24 | size_t(d[6]) << 16 | size_t(d[7]) << 8 | d[8];
    at += 4;
    while (at + 11 <= n) {
        const int type = d[at];
        const size_t size = size_t(d[at + 1]) << 16 | size_t(d[at + 2]) << 8 | d[at + 3];
        const size_t body = at + 11;
        if (body + size > n) break;
        if (type == 9 && size > 1) {
            const int codec = d[body] & 15;
            const size_t skip = codec == 4 || codec == 5 ? 2 : 1;
            if (size > skip)
                out.push_back({codec, (d[body] >> 4) == 1, swfw::Bytes(d + body + skip, d + body + size)});
        }
        at = body + size + 4;
    }
    return out;
}

// A movie of w x h pixels showing the packets one a frame: stream id 1 at
// depth 1, placed once and moved on with ratio = frame number.
inline swfw::Movie videoMovie(int w, int h, int codec, const std::vector<swfw::Bytes>& packets, double fps = 12)
{
    swfw::Movie m(w * 20, h * 20, fps);
    m.tag(60, defineVideo(1, int(packets.size()), w, h, codec));
    for (size_t i = 0; i < packets.size(); ++i) {
        m.tag(61, videoFrame(1, int(i), packets[i]));
        if (i == 0) m.place(1, 1, swfw::Matrix(), nullptr, 0);
        else m.place(1, 0, swfw::Matrix(), nullptr, int(i), -1, "", true);
        m.showFrame();
    }
    return m;
}

inline QString ffmpegPath()
{
    return QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
}

// Runs ffmpeg quietly; true when it succeeded.
inline bool ffmpeg(const QStringList& args)
{
    QProcess p;
    p.start(ffmpegPath(), QStringList{QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                                      QStringLiteral("-y")} + args);
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Peak signal-to-noise ratio of two pictures of one size over R, G and B.
inline double psnr(const QImage& a, const QImage& b)
{
    if (a.size() != b.size()) return 0;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const double dr = qRed(p) - qRed(q), dg = qGreen(p) - qGreen(q), db = qBlue(p) - qBlue(q);
            sum += dr * dr + dg * dg + db * db;
        }
    const double mse = sum / (3.0 * a.width() * a.height());
    return mse <= 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace swftest
