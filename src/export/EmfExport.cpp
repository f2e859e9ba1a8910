// The EMF writer of SaveToFileFunctions: the metafile itself is recorded by
// the metafile codec; this puts it safely in place.
#include "export/SaveToFileFunctions.h"

#ifdef VX_HAVE_EMF_WRITER
#include "codecs/metafile/EmfWriter.h"
#endif

namespace vx {

void WriteEmf(const DisplayedPicture& picture, const QString& path)
{
    const Bitmap bitmap = sourceBitmap24(picture);
    if (bitmap.isNull())
        throw SaveError("There is no picture to save");
#ifdef VX_HAVE_EMF_WRITER
    SafeFileWriter file(path);
    writeEmf(bitmap, file.device());
    file.commit();
#else
    (void)path;
    throw SaveError("This build has no EMF writer");
#endif
}

}  // namespace vx
