#include "desktop/RootWindowPicture.h"

#include "desktop/DesktopRoute.h"

#include <QPainter>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace vx {

QImage composeWallpaper(const QImage& picture, QSize screen, int style, QColor background)
{
    QImage out(screen, QImage::Format_RGB32);
    out.fill(background);
    if (picture.isNull() || screen.isEmpty())
        return out;
    QPainter p(&out);
    switch (style) {
    case kStyleCentre:
        p.drawImage(QPoint((screen.width() - picture.width()) / 2, (screen.height() - picture.height()) / 2),
                    picture);
        break;
    case kStyleTile:
        p.fillRect(out.rect(), QBrush(picture));
        break;
    default:
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(out.rect(), picture);
        break;
    }
    return out;
}

namespace {

struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_pixmap_t pixmapProperty(xcb_connection_t* c, xcb_window_t root, xcb_atom_t property)
{
    if (property == XCB_ATOM_NONE)
        return XCB_NONE;
    Reply<xcb_get_property_reply_t> r(
        xcb_get_property_reply(c, xcb_get_property(c, 0, root, property, XCB_ATOM_PIXMAP, 0, 1), nullptr));
    if (!r || r->type != XCB_ATOM_PIXMAP || r->format != 32 || xcb_get_property_value_length(r.get()) != 4)
        return XCB_NONE;
    return *static_cast<const xcb_pixmap_t*>(xcb_get_property_value(r.get()));
}

// The pixel layout of depth on this server, when it is the 32-bit one whose
// bytes QImage::Format_RGB32 has (blue first in memory).
bool isRgb32(xcb_connection_t* c, const xcb_screen_t* screen)
{
    const xcb_setup_t* setup = xcb_get_setup(c);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return false;
    bool bpp32 = false;
    const xcb_format_t* formats = xcb_setup_pixmap_formats(setup);
    for (int i = 0; i < xcb_setup_pixmap_formats_length(setup); ++i)
        if (formats[i].depth == screen->root_depth)
            bpp32 = formats[i].bits_per_pixel == 32;
    if (!bpp32)
        return false;
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem; xcb_depth_next(&d)) {
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
            if (v.data->visual_id == screen->root_visual)
                return v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR && v.data->red_mask == 0xff0000
                       && v.data->green_mask == 0x00ff00 && v.data->blue_mask == 0x0000ff;
        }
    }
    return false;
}

}  // namespace

bool setRootWindowPicture(const QImage& picture, int style)
{
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    const auto disconnect = std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)>(c, xcb_disconnect);
    if (!c || xcb_connection_has_error(c))
        return false;
    auto it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem)
        return false;
    const xcb_screen_t* screen = it.data;
    if (!isRgb32(c, screen) || screen->width_in_pixels == 0 || screen->height_in_pixels == 0)
        return false;

    const int w = screen->width_in_pixels, h = screen->height_in_pixels;
    const QImage image = composeWallpaper(picture, QSize(w, h), style);
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, screen->root_depth, pixmap, screen->root, uint16_t(w), uint16_t(h));
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    // Rows in bands that fit one request (its length is counted in 4-byte units).
    const uint64_t maxBytes = uint64_t(xcb_get_maximum_request_length(c)) * 4 - 64;
    const int bandRows = int(std::max<uint64_t>(1, maxBytes / (uint64_t(w) * 4)));
    for (int y = 0; y < h; y += bandRows) {
        const int rows = std::min(bandRows, h - y);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, uint16_t(w), uint16_t(rows), 0, int16_t(y), 0,
                      screen->root_depth, uint32_t(w * 4 * rows), image.constScanLine(y));
    }
    xcb_free_gc(c, gc);

    const xcb_atom_t rootId = atom(c, "_XROOTPMAP_ID");
    const xcb_atom_t setRootId = atom(c, "ESETROOT_PMAP_ID");
    if (rootId == XCB_ATOM_NONE || setRootId == XCB_ATOM_NONE)
        return false;
    // The pixmap an earlier setter kept alive the same way goes with its client.
    const xcb_pixmap_t oldRoot = pixmapProperty(c, screen->root, rootId);
    const xcb_pixmap_t oldSet = pixmapProperty(c, screen->root, setRootId);
    if (oldSet != XCB_NONE && oldSet == oldRoot)
        xcb_kill_client(c, oldSet);

    xcb_change_window_attributes(c, screen->root, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_clear_area(c, 0, screen->root, 0, 0, 0, 0);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, screen->root, rootId, XCB_ATOM_PIXMAP, 32, 1, &pixmap);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, screen->root, setRootId, XCB_ATOM_PIXMAP, 32, 1, &pixmap);
    xcb_set_close_down_mode(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT);
    // A round trip: every request above has been handled (or has failed) by now.
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_input_focus_reply_t> sync(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), &error));
    bool ok = sync && !error && !xcb_connection_has_error(c);
    std::free(error);
    // Unchecked requests report their errors as events.
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
        if (event->response_type == 0)
            ok = false;
        std::free(event);
    }
    return ok;
}

}  // namespace vx
