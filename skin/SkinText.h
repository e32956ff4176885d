#pragma once
// UTF-8 helpers for the skin file reader (plain C++, no Windows).
#include <cstdint>
#include <string>

namespace skin {

bool IsValidUtf8(const std::string& text);
std::string EncodeUtf8(uint32_t codePoint);
// Valid UTF-8 to wide text (UTF-16 where wchar_t has 16 bits).
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
// 0-15, or -1 for a character that is no hexadecimal digit.
int HexDigit(char c);

}  // namespace skin
