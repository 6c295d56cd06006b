#include "platform/AppInfo.h"

#include <windows.h>

namespace cs {

std::string ExecutablePath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string_view FileNameOf(std::string_view path) {
    const auto cut = path.find_last_of("\\:");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::string TitleFromFileName(std::string_view fileName) {
    std::string title(fileName.substr(0, fileName.find('.')));
    if (title.size() > 1) ::CharLowerBuffA(title.data() + 1, static_cast<DWORD>(title.size() - 1));
    return title;
}

std::string ApplicationTitle() { return TitleFromFileName(FileNameOf(ExecutablePath())); }

}  // namespace cs
