// Builds movies with the SWF writer and looks at the pixels our player draws.
#pragma once

#include "swf/SwfPlayer.h"
#include "swfwriter/SwfWriter.h"

#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>

namespace swftest {

inline void ensureApp()
{
    if (QGuiApplication::instance()) return;
    static int argc = 1;
    static char name[] = "swf_tests";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
}

inline QByteArray toQt(const swfw::Bytes& b) { return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())); }

inline std::shared_ptr<vx::swf::Movie> load(const swfw::Movie& m, bool compressed = false)
{
    return vx::swf::Movie::fromData(toQt(m.bytes(compressed)));
}

// The current frame at 1 pixel per 20 twips (stage size), on the movie's background.
inline QImage shot(const vx::swf::Player& p, vx::swf::Quality q = vx::swf::Quality::Low)
{
    const QRectF st = p.movie().stage();
    return p.renderImage(QSize(int(st.width() / 20), int(st.height() / 20)), q).convertToFormat(QImage::Format_ARGB32);
}

inline QRgb at(const QImage& img, int x, int y) { return img.pixel(x, y) | 0; }

// Colours within tol per channel.
inline bool near(QRgb a, QRgb b, int tol = 2)
{
    return std::abs(qRed(a) - qRed(b)) <= tol && std::abs(qGreen(a) - qGreen(b)) <= tol &&
           std::abs(qBlue(a) - qBlue(b)) <= tol && std::abs(qAlpha(a) - qAlpha(b)) <= tol;
}

#define EXPECT_COLOR(img, x, y, expected, tol)                                                              \
    EXPECT_TRUE(swftest::near((img).pixel(x, y), (expected), tol))                                          \
        << "pixel (" << (x) << "," << (y) << ") is " << std::hex << (img).pixel(x, y) << " not " << (expected)

// A stage of w x h pixels with one rectangle shape (id 1) of the colour placed at depth 1.
inline swfw::Movie rectMovie(int w, int h, uint32_t argb, int x, int y, int rw, int rh)
{
    swfw::Movie m(w * 20, h * 20, 25);
    m.background(0xffffff);
    swfw::ShapeBuilder s;
    const int f = s.addFill(swfw::Fill::solid(argb));
    s.rect(x * 20, y * 20, rw * 20, rh * 20, f);
    m.shape(1, s);
    m.place(1, 1);
    return m;
}

}  // namespace swftest
