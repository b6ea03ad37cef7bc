// Text between the program's UTF-8 and Windows' UTF-16 (file names, command lines), for the
// Windows files of the platform only; include after windows.h.
#pragma once

#include <string>

namespace qx::os {

// An empty string for text that is not valid UTF-8.
inline std::wstring WideFromUtf8(const char* text) {
    const int count = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (count <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide.data(), count);
    wide.resize(static_cast<size_t>(count) - 1);
    return wide;
}

inline std::string Utf8FromWide(const wchar_t* text) {
    const int count = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (count <= 0) return std::string();
    std::string narrow(static_cast<size_t>(count), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), count, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(count) - 1);
    return narrow;
}

}  // namespace qx::os
