#include "codecs/jpeg/JpegDecode.h"

#include "codecs/DecodeCancel.h"
#include "codecs/PixelBudget.h"
#include "codecs/RowResampler.h"

#include <csetjmp>
#include <memory>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace vx::jpeg {

namespace {

// A progressive file can hold any number of scans, each a pass over the
// whole coefficient buffer; real files have a dozen at most. libjpeg-turbo's
// own tools refuse files with more than 500 (their scan limit), and so do we.
constexpr int kMaxScans = 500;

struct ErrorManager {
    jpeg_error_mgr pub;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void vxJpegOnError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings (corrupt data, premature end) are silenced: the picture decodes
// as far as its data goes.
extern "C" void vxJpegOnMessage(j_common_ptr, int) {}
extern "C" void vxJpegOnOutput(j_common_ptr) {}

// Called by libjpeg for every few rows and for every scan it reads: the
// place to refuse endless progressive files and to notice a cancelled decode.
extern "C" void vxJpegOnProgress(j_common_ptr cinfo)
{
    if (cancelRequested()) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "Decoding cancelled");
        std::longjmp(err->jump, 1);
    }
    if (cinfo->is_decompressor) {
        auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
        if (d->input_scan_number > kMaxScans) {
            auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
            std::snprintf(err->message, sizeof err->message, "Too many progressive scans");
            std::longjmp(err->jump, 1);
        }
    }
}

// Reads a file through a buffer large enough that libjpeg-turbo's fast
// Huffman decoder, which wants a few kilobytes ahead, nearly always runs.
struct FileSource {
    static constexpr size_t kBuffer = size_t(64) << 10;
    jpeg_source_mgr pub{};
    FILE* file = nullptr;
    std::unique_ptr<JOCTET[]> buffer;
    bool started = false;
};

extern "C" void vxJpegInitSource(j_decompress_ptr) {}
extern "C" void vxJpegTermSource(j_decompress_ptr) {}

extern "C" boolean vxJpegFillInput(j_decompress_ptr cinfo)
{
    auto* src = reinterpret_cast<FileSource*>(cinfo->src);
    size_t n = std::fread(src->buffer.get(), 1, FileSource::kBuffer, src->file);
    if (n == 0) {
        if (!src->started) {
            cinfo->err->msg_code = JERR_INPUT_EMPTY;
            (*cinfo->err->error_exit)(reinterpret_cast<j_common_ptr>(cinfo));
        }
        // The data ends early: an end marker lets the decoder finish.
        cinfo->err->msg_code = JWRN_JPEG_EOF;
        (*cinfo->err->emit_message)(reinterpret_cast<j_common_ptr>(cinfo), -1);
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        n = 2;
    }
    src->pub.next_input_byte = src->buffer.get();
    src->pub.bytes_in_buffer = n;
    src->started = true;
    return TRUE;
}

extern "C" void vxJpegSkipInput(j_decompress_ptr cinfo, long count)
{
    auto* src = reinterpret_cast<FileSource*>(cinfo->src);
    if (count <= 0) return;
    while (size_t(count) > src->pub.bytes_in_buffer) {
        count -= long(src->pub.bytes_in_buffer);
        vxJpegFillInput(cinfo);
    }
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= size_t(count);
}

struct Decompressor {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    FileSource file;
    PixelReservation coefficients;
    bool created = false;
    ~Decompressor()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

// Opens data, reads its header and runs step. libjpeg reports errors with a
// longjmp back here, which becomes a CodecError. step must hold no objects
// with destructors while it calls into libjpeg (the jump skips its frame).
template <typename Step>
void withDecompressor(const Source& source, Step&& step)
{
    Decompressor d;
    d.cinfo.err = jpeg_std_error(&d.err.pub);
    d.err.pub.error_exit = vxJpegOnError;
    d.err.pub.emit_message = vxJpegOnMessage;
    d.err.pub.output_message = vxJpegOnOutput;
    d.err.progress.progress_monitor = vxJpegOnProgress;
    if (setjmp(d.err.jump)) {
        if (cancelRequested())
            throw DecodeCancelled();
        throw CodecError(std::string("JPEG: ") + d.err.message);
    }
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    d.cinfo.progress = &d.err.progress;
    if (source.file) {
        std::rewind(source.file);
        d.file.file = source.file;
        d.file.buffer.reset(new JOCTET[FileSource::kBuffer]);
        d.file.pub.init_source = vxJpegInitSource;
        d.file.pub.fill_input_buffer = vxJpegFillInput;
        d.file.pub.skip_input_data = vxJpegSkipInput;
        d.file.pub.resync_to_restart = jpeg_resync_to_restart;
        d.file.pub.term_source = vxJpegTermSource;
        d.cinfo.src = &d.file.pub;
    } else {
        jpeg_mem_src(&d.cinfo, source.data, static_cast<unsigned long>(source.size));
    }
    jpeg_read_header(&d.cinfo, TRUE);
    checkPictureSize(d.cinfo.image_width, d.cinfo.image_height);
    // A file of several scans is decoded through a buffer of all its
    // coefficients (128 bytes a block), which counts as picture memory.
    if (jpeg_has_multiple_scans(&d.cinfo)) {
        uint64_t blocks = 0;
        for (int i = 0; i < d.cinfo.num_components; ++i)
            blocks += uint64_t(d.cinfo.comp_info[i].width_in_blocks) * d.cinfo.comp_info[i].height_in_blocks;
        d.coefficients = PixelReservation(blocks * sizeof(JBLOCK));
    }
    step(d.cinfo);
}

bool isCmyk(const jpeg_decompress_struct& c)
{
    return c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
}

void readAll(jpeg_decompress_struct& c, JSAMPARRAY rows)
{
    while (c.output_scanline < c.output_height) {
        const JDIMENSION done = c.output_scanline;
        if (jpeg_read_scanlines(&c, rows + done, c.output_height - done) == 0)
            break;
    }
}

// 32-bit rows (CMYK converted by us) at scaleNum / 8; fast trades the
// accurate IDCT and fancy upsampling for speed.
void setUpDisplayDecode(jpeg_decompress_struct& c, int scaleNum, bool fast)
{
    c.out_color_space = isCmyk(c) ? JCS_CMYK : JCS_EXT_BGRX;
    c.scale_num = unsigned(scaleNum < 1 ? 1 : scaleNum > 8 ? 8 : scaleNum);
    c.scale_denom = 8;
    if (fast) {
        c.dct_method = JDCT_IFAST;
        c.do_fancy_upsampling = FALSE;
    }
    jpeg_calc_output_dimensions(&c);
}

}  // namespace

Header readHeader(const Source& source)
{
    Header h;
    withDecompressor(source, [&](jpeg_decompress_struct& c) {
        h.width = int(c.image_width);
        h.height = int(c.image_height);
        h.components = c.num_components;
        h.progressive = c.progressive_mode;
        h.adobe = c.saw_Adobe_marker;
        if (c.jpeg_color_space == JCS_GRAYSCALE)
            h.model = ColorModel::Gray;
        else if (isCmyk(c))
            h.model = ColorModel::CMYK;
        else
            h.model = ColorModel::Color;
    });
    return h;
}

QSize scaledSize(int width, int height, int scaleNum)
{
    return QSize(int((int64_t(width) * scaleNum + 7) / 8), int((int64_t(height) * scaleNum + 7) / 8));
}

void cmykToBgr(const uint8_t* cmyk, uint8_t* out, int width, int step, bool inverted)
{
    for (int x = 0; x < width; ++x, cmyk += 4, out += step) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        // Stored values are "amount of paper left": colour = value * K / 255.
        out[0] = uint8_t((y * k + 127) / 255);
        out[1] = uint8_t((m * k + 127) / 255);
        out[2] = uint8_t((c * k + 127) / 255);
        if (step == 4)
            out[3] = 255;
    }
}

QImage decodeDisplay(const Source& source, int scaleNum, bool fast)
{
    QImage image;
    std::vector<JSAMPROW> rows;
    withDecompressor(source, [&](jpeg_decompress_struct& c) {
        const bool cmyk = isCmyk(c);
        const bool inverted = c.saw_Adobe_marker;
        setUpDisplayDecode(c, scaleNum, fast);
        image = pictureImage(QSize(int(c.output_width), int(c.output_height)), QImage::Format_RGB32);
        rows.resize(c.output_height);
        uchar* bits = image.bits();
        const size_t stride = size_t(image.bytesPerLine());
        for (JDIMENSION y = 0; y < c.output_height; ++y)
            rows[y] = bits + y * stride;
        jpeg_start_decompress(&c);
        readAll(c, rows.data());
        // Rows the data did not reach stay as libjpeg left them (gray).
        if (cmyk) {
            for (JDIMENSION y = 0; y < c.output_height; ++y)
                cmykToBgr(rows[y], rows[y], int(c.output_width), 4, inverted);
        }
    });
    return image;
}

Bitmap decodeBitmap(const Source& source)
{
    Bitmap bitmap;
    std::vector<JSAMPROW> rows;
    std::vector<uint8_t> cmykRow;
    withDecompressor(source, [&](jpeg_decompress_struct& c) {
        const bool cmyk = isCmyk(c);
        const bool gray = c.jpeg_color_space == JCS_GRAYSCALE;
        const bool inverted = c.saw_Adobe_marker;
        c.out_color_space = gray ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
        jpeg_calc_output_dimensions(&c);
        bitmap = Bitmap(int(c.output_width), int(c.output_height), gray ? 8 : 24);
        if (gray) {
            bitmap.palette().resize(256);
            for (int i = 0; i < 256; ++i)
                bitmap.palette()[size_t(i)] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
        }
        jpeg_start_decompress(&c);
        if (cmyk) {
            cmykRow.resize(size_t(c.output_width) * 4);
            JSAMPROW row = cmykRow.data();
            while (c.output_scanline < c.output_height) {
                const int y = int(c.output_scanline);
                if (jpeg_read_scanlines(&c, &row, 1) != 1)
                    break;
                cmykToBgr(row, bitmap.scanLine(y), int(c.output_width), 3, inverted);
            }
            return;
        }
        rows.resize(c.output_height);
        for (JDIMENSION y = 0; y < c.output_height; ++y)
            rows[y] = bitmap.scanLine(int(y));
        readAll(c, rows.data());
    });
    return bitmap;
}

QImage decodeDisplayTo(const Source& source, int scaleNum, bool fast, QSize target)
{
    QImage image;
    std::vector<uint8_t> row;
    std::unique_ptr<RowResampler> resampler;
    withDecompressor(source, [&](jpeg_decompress_struct& c) {
        const bool cmyk = isCmyk(c);
        const bool inverted = c.saw_Adobe_marker;
        setUpDisplayDecode(c, scaleNum, fast);
        const QSize size = target.boundedTo(QSize(int(c.output_width), int(c.output_height)));
        image = pictureImage(size, QImage::Format_RGB32);
        resampler = std::make_unique<RowResampler>(int(c.output_width), int(c.output_height), image);
        row.resize(size_t(c.output_width) * 4);
        JSAMPROW rowPointer = row.data();
        jpeg_start_decompress(&c);
        while (c.output_scanline < c.output_height) {
            if (jpeg_read_scanlines(&c, &rowPointer, 1) != 1)
                break;
            if (cmyk)
                cmykToBgr(rowPointer, rowPointer, int(c.output_width), 4, inverted);
            resampler->addRow(rowPointer);
        }
    });
    if (resampler)
        resampler->finish();
    return image;
}

QImage shrinkDisplay(const QImage& decoded, QSize target)
{
    QImage image = pictureImage(target.boundedTo(decoded.size()), QImage::Format_RGB32);
    RowResampler resampler(decoded.width(), decoded.height(), image);
    for (int y = 0; y < decoded.height(); ++y)
        resampler.addRow(decoded.constScanLine(y));
    resampler.finish();
    return image;
}

}  // namespace vx::jpeg
