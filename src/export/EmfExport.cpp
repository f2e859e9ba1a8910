// The EMF writer of SaveToFileFunctions: the metafile itself is recorded by
// the metafile codec; this puts it safely in place.
#include "export/SaveToFileFunctions.h"

#include "codecs/metafile/EmfWriter.h"

namespace vx {

void WriteEmf(const DisplayedPicture& picture, const QString& path)
{
    const Bitmap bitmap = sourceBitmap24(picture);
    if (bitmap.isNull())
        throw SaveError("There is no picture to save");
    SafeFileWriter file(path);
    encodeEmf(bitmap, file.device());
    file.commit();
}

}  // namespace vx
