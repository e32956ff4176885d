#pragma once
// Between the program's ANSI texts and the wide texts of the skin engine,
// through the system's ANSI code page.
#include <windows.h>

#include <string>

namespace toolkit {

inline std::wstring WideFromAnsi(const std::string& text)
{
    if (text.empty()) return std::wstring();
    const int size = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (size <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

// Characters the code page lacks become its default character.
inline std::string AnsiFromWide(const std::wstring& text)
{
    if (text.empty()) return std::string();
    const int size =
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string ansi(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), ansi.data(), size, nullptr, nullptr);
    return ansi;
}

}  // namespace toolkit
