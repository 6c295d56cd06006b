#include "support/Pictures.h"

#include <cstdlib>

#include "platform/Handles.h"

namespace cs::test {

bool SaveShotIfAsked(HDC dc, int width, int height, const std::string& name) {
    const char* folder = std::getenv("CS_SHOT_DIR");
    if (!folder || !*folder) return true;
    BITMAPINFOHEADER header{sizeof header, width, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    // The pixels come out bottom row first, as the file keeps them.
    const unique_hbitmap copy(::CreateCompatibleBitmap(dc, width, height));
    const unique_hdc copyDc(::CreateCompatibleDC(dc));
    {
        const SelectGuard select(copyDc.get(), copy.get());
        ::BitBlt(copyDc.get(), 0, 0, width, height, dc, 0, 0, SRCCOPY);
    }
    ::GetDIBits(copyDc.get(), copy.get(), 0, static_cast<UINT>(height), pixels.data(),
                reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    const DWORD bytes = static_cast<DWORD>(pixels.size() * sizeof(DWORD));
    BITMAPFILEHEADER file{0x4D42, 0, 0, 0, sizeof file + sizeof header};  // "BM"
    file.bfSize = file.bfOffBits + bytes;
    HANDLE out = ::CreateFileA((std::string(folder) + "\\" + name).c_str(), GENERIC_WRITE, 0,
                               nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = ::WriteFile(out, &file, sizeof file, &written, nullptr) &&
                    ::WriteFile(out, &header, sizeof header, &written, nullptr) &&
                    ::WriteFile(out, pixels.data(), bytes, &written, nullptr);
    ::CloseHandle(out);
    return ok;
}

}  // namespace cs::test
