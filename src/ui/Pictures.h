#pragma once
#include "framework/Graphics.h"
#include "framework/Window.h"

namespace cs {

// The resource id of picture id (an IDB_ name) in the scale drawn at dpi.
int PictureId(int id, int dpi) noexcept;
// Loads picture id of the program's resources in the scale drawn at dpi.
void LoadPicture(Bitmap& bitmap, int id, int dpi);

}  // namespace cs
