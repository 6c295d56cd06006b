#include "support/Pictures.h"

#include <cstdlib>
#include <vector>

#include "platform/Handles.h"

namespace cs::test {

std::string ShotPath(const std::string& name) {
    const char* folder = std::getenv("CS_SHOT_DIR");
    return folder && *folder ? std::string(folder) + "\\" + name : std::string();
}

bool SaveBmp(HDC dc, int width, int height, const std::string& path) {
    // A copy of the pixels in a form the file can hold as they are, whatever dc's depth.
    const unique_hdc copyDc(::CreateCompatibleDC(dc));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom row first, as files keep them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const unique_hbitmap copy(
        ::CreateDIBSection(copyDc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!copy) return false;
    {
        const SelectGuard select(copyDc.get(), copy.get());
        ::BitBlt(copyDc.get(), 0, 0, width, height, dc, 0, 0, SRCCOPY);
        ::GdiFlush();
    }
    const DWORD bytes = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + bytes;
    HANDLE out = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = ::WriteFile(out, &file, sizeof file, &written, nullptr) &&
                    ::WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr) &&
                    ::WriteFile(out, bits, bytes, &written, nullptr);
    ::CloseHandle(out);
    return ok;
}

}  // namespace cs::test
