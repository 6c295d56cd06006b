#include "ui/Pictures.h"

#include "core/DisplayScale.h"
#include "ui/resources/ResourceIds.h"

namespace cs {

int PictureId(int id, int dpi) noexcept {
    switch (PictureScaleForDpi(dpi)) {
        case 150: return id + IDB_SCALE_150;
        case 200: return id + IDB_SCALE_200;
        default: return id;
    }
}

void LoadPicture(Bitmap& bitmap, int id, int dpi) {
    bitmap.LoadFromResource(ModuleInstance(), MAKEINTRESOURCEA(PictureId(id, dpi)));
}

}  // namespace cs
