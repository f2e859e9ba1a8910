// The JPEG writer of SaveToFileFunctions, on libjpeg-turbo.
#include "export/SaveToFileFunctions.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace vx {

namespace {

struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void jpegOutputMessage(j_common_ptr) {}

// Destination manager writing through a QIODevice in 64 KB pieces.
struct JpegDestination {
    jpeg_destination_mgr pub;
    QIODevice* out;
    JOCTET buffer[65536];
};

bool flush(JpegDestination* dest, size_t size)
{
    return size == 0
           || dest->out->write(reinterpret_cast<const char*>(dest->buffer), qint64(size)) == qint64(size);
}

void initDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<JpegDestination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = sizeof dest->buffer;
}

boolean emptyOutputBuffer(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<JpegDestination*>(cinfo->dest);
    if (!flush(dest, sizeof dest->buffer))
        ERREXIT(cinfo, JERR_FILE_WRITE);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = sizeof dest->buffer;
    return TRUE;
}

void termDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<JpegDestination*>(cinfo->dest);
    if (!flush(dest, sizeof dest->buffer - dest->pub.free_in_buffer))
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

// Rows the compressor reads: 24 and 32-bit rows go in as they are (BGR /
// BGRX input), other depths are expanded to BGR one band at a time.
constexpr int kBand = 16;

void expandRow(const Bitmap& bitmap, int y, uint8_t* dst)
{
    for (int x = 0; x < bitmap.width(); ++x, dst += 3) {
        const uint32_t c = bitmap.pixel(x, y);
        dst[0] = uint8_t(c);
        dst[1] = uint8_t(c >> 8);
        dst[2] = uint8_t(c >> 16);
    }
}

// Everything that must survive a longjmp lives outside this frame.
bool compress(const Bitmap& bitmap, JpegDestination* dest, JpegErrorManager* err, bool grayscale,
              int quality, uint8_t* band)
{
    jpeg_compress_struct cinfo;
    cinfo.err = jpeg_std_error(&err->pub);
    err->pub.error_exit = jpegErrorExit;
    err->pub.output_message = jpegOutputMessage;
    if (setjmp(err->jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    dest->pub.init_destination = initDestination;
    dest->pub.empty_output_buffer = emptyOutputBuffer;
    dest->pub.term_destination = termDestination;
    cinfo.dest = &dest->pub;

    const int bpp = bitmap.bitsPerPixel();
    const bool direct = bpp == 24 || bpp == 32;
    cinfo.image_width = JDIMENSION(bitmap.width());
    cinfo.image_height = JDIMENSION(bitmap.height());
    cinfo.input_components = bpp == 32 ? 4 : 3;
    cinfo.in_color_space = bpp == 32 ? JCS_EXT_BGRX : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (grayscale)
        jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    jpeg_start_compress(&cinfo, TRUE);

    JSAMPROW rows[kBand];
    const size_t bandStride = size_t(bitmap.width()) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y0 = int(cinfo.next_scanline);
        const int count = std::min(kBand, bitmap.height() - y0);
        for (int i = 0; i < count; ++i) {
            if (direct) {
                rows[i] = const_cast<JSAMPROW>(bitmap.scanLine(y0 + i));
            } else {
                rows[i] = band + size_t(i) * bandStride;
                expandRow(bitmap, y0 + i, rows[i]);
            }
        }
        jpeg_write_scanlines(&cinfo, rows, JDIMENSION(count));
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

}  // namespace

void encodeJpeg(const Bitmap& bitmap, QIODevice& out, bool grayscale, int quality)
{
    if (bitmap.isNull())
        throw SaveError("There is no picture to save");
    quality = std::clamp(quality, 1, 100);
    auto dest = std::make_unique<JpegDestination>();
    dest->out = &out;
    auto err = std::make_unique<JpegErrorManager>();
    err->message[0] = '\0';
    std::vector<uint8_t> band;
    if (bitmap.bitsPerPixel() != 24 && bitmap.bitsPerPixel() != 32)
        band.resize(size_t(bitmap.width()) * 3 * kBand);
    if (!compress(bitmap, dest.get(), err.get(), grayscale, quality, band.data())) {
        std::string text = "Cannot write JPEG data: ";
        text += err->message;
        if (!out.errorString().isEmpty() && out.errorString() != QLatin1String("Unknown error"))
            text += " (" + out.errorString().toStdString() + ")";
        throw SaveError(text);
    }
}

void WriteJpeg(const DisplayedPicture& picture, const QString& path, bool grayscale, int quality)
{
    const Bitmap bitmap = sourceBitmap(picture);
    if (bitmap.isNull())
        throw SaveError("There is no picture to save");
    SafeFileWriter file(path);
    encodeJpeg(bitmap, file.device(), grayscale, quality);
    file.commit();
}

}  // namespace vx
