// One decoder per decoder kind of the supported-type table.
#include "codecs/Graphic.h"

#include "codecs/dib/TBitmap.h"
#include "codecs/dib/TIcon.h"
#include "codecs/gif/GIFImage.h"
#include "codecs/jpeg/JPEGImage.h"
#include "codecs/layered/PSDGraphic.h"
#include "codecs/layered/PSPGraphic.h"
#include "codecs/metafile/Metafile.h"
#include "codecs/misc/CUTGraphic.h"
#include "codecs/misc/SGIGraphic.h"
#include "codecs/misc/TIFFGraphic.h"
#include "codecs/png/PNGObject.h"
#include "codecs/simple/TPCXGraphic.h"
#include "codecs/simple/TPPMGraphic.h"
#include "codecs/simple/TTargaGraphic.h"
#include "export/WBMPImage.h"

namespace vx {

std::unique_ptr<Graphic> createGraphic(DecoderKind kind)
{
    switch (kind) {
    case DecoderKind::Bitmap: return std::make_unique<TBitmap>();
    case DecoderKind::JPEG: return std::make_unique<TJPEGImage>();
    case DecoderKind::GIF: return std::make_unique<TGIFImage>();
    case DecoderKind::Metafile: return std::make_unique<TMetafile>();
    case DecoderKind::Icon: return std::make_unique<TIcon>();
    case DecoderKind::PSD: return std::make_unique<TPSDGraphic>();
    case DecoderKind::PNG: return std::make_unique<TPNGObject>();
    case DecoderKind::Targa: return std::make_unique<TTargaGraphic>();
    case DecoderKind::TIFF: return std::make_unique<TTIFFGraphic>();
    case DecoderKind::PSP: return std::make_unique<TPSPGraphic>();
    case DecoderKind::PCX: return std::make_unique<TPCXGraphic>();
    case DecoderKind::SGI: return std::make_unique<TSGIGraphic>();
    case DecoderKind::CUT: return std::make_unique<TCUTGraphic>();
    case DecoderKind::PPM: return std::make_unique<TPPMGraphic>();
    case DecoderKind::WBMP: return std::make_unique<TWBMPImage>();
    case DecoderKind::None:
    case DecoderKind::Flash:
        break;
    }
    return nullptr;
}

}  // namespace vx
