#include "export/WbmpExport.h"

namespace vx {

void WriteWbmp(const DisplayedPicture& picture, const QString& path)
{
    const Bitmap bitmap = sourceBitmap(picture);
    if (bitmap.isNull())
        throw SaveError("There is no picture to save");
    (void)path;
    throw SaveError("This build has no WBMP writer");
}

}  // namespace vx
