#include "export/WbmpExport.h"

#include "codecs/wbmp/WbmpImage.h"

namespace vx {

void WriteWbmp(const DisplayedPicture& picture, const QString& path)
{
    const Bitmap bitmap = sourceBitmap(picture);
    if (bitmap.isNull())
        throw SaveError("There is no picture to save");
    SafeFileWriter file(path);
    encodeWbmp(bitmap, file.device());
    file.commit();
}

}  // namespace vx
