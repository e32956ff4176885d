#include "skin/SkinText.h"

namespace skin {
namespace {

// Decodes one code point at pos; returns false for an invalid sequence
// (overlong forms, surrogates and values above U+10FFFF included).
bool DecodeOne(const std::string& text, std::size_t& pos, uint32_t& code)
{
    unsigned char lead = static_cast<unsigned char>(text[pos]);
    int extra;
    uint32_t minimum;
    if (lead < 0x80) {
        code = lead;
        ++pos;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, code = lead & 0x07, minimum = 0x10000;
    } else {
        return false;
    }
    if (pos + extra >= text.size()) return false;  // sequence cut off
    for (int i = 1; i <= extra; ++i) {
        unsigned char next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) return false;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    pos += extra + 1;
    return true;
}

}  // namespace

bool IsValidUtf8(const std::string& text)
{
    std::size_t pos = 0;
    uint32_t code;
    while (pos < text.size())
        if (!DecodeOne(text, pos, code)) return false;
    return true;
}

std::string EncodeUtf8(uint32_t c)
{
    std::string out;
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
    return out;
}

std::wstring Utf8ToWide(const std::string& text)
{
    std::wstring out;
    std::size_t pos = 0;
    uint32_t code;
    while (pos < text.size()) {
        if (!DecodeOne(text, pos, code)) {
            out += wchar_t(0xFFFD);
            ++pos;
            continue;
        }
        if (sizeof(wchar_t) == 2 && code >= 0x10000) {
            code -= 0x10000;
            out += wchar_t(0xD800 + (code >> 10));
            out += wchar_t(0xDC00 + (code & 0x3FF));
        } else {
            out += wchar_t(code);
        }
    }
    return out;
}

std::string WideToUtf8(const std::wstring& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        uint32_t code = static_cast<uint32_t>(text[i]);
        if (sizeof(wchar_t) == 2 && code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size()) {
            uint32_t low = static_cast<uint32_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
        out += EncodeUtf8(code);
    }
    return out;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace skin
