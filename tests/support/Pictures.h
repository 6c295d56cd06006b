#pragma once
// Pictures a test paints, kept for a person to look at.
#include <windows.h>

#include <string>

namespace cs::test {

// The folder named by CS_SHOT_DIR (a Windows path) joined with name, or empty when it is not
// set: tests save their pictures only when asked to.
std::string ShotPath(const std::string& name);

// Writes the picture that dc holds selected (width x height from its top-left corner) as a
// 32-bit .bmp file; false when the file cannot be written.
bool SaveBmp(HDC dc, int width, int height, const std::string& path);

}  // namespace cs::test
