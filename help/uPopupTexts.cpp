#include "help/uPopupTexts.h"

#include <cctype>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The line at pos, which ends in "\r\n", "\n", a lone "\r" or the end of
// the source; pos moves past its end.
std::string_view NextLine(std::string_view source, std::size_t& pos)
{
    const std::size_t start = pos;
    while (pos < source.size() && source[pos] != '\n' && source[pos] != '\r') ++pos;
    const std::string_view line = source.substr(start, pos - start);
    if (pos < source.size()) {
        if (source[pos] == '\r' && pos + 1 < source.size() && source[pos + 1] == '\n') ++pos;
        ++pos;
    }
    return line;
}

// ".topic" (any case) and then at least one blank or the end of the line.
bool IsTopicLine(std::string_view line, std::string_view& key)
{
    line = TrimBlanks(line);
    constexpr std::string_view word = ".topic";
    if (line.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(line[i])) != word[i]) return false;
    }
    const std::string_view rest = line.substr(word.size());
    if (!rest.empty() && !IsBlank(rest.front())) return false;
    key = TrimBlanks(rest);
    return true;
}

// The key's first word as a decimal number that fits 32 bits.
std::optional<uint32_t> DecimalKey(std::string_view key)
{
    std::size_t length = 0;
    uint64_t value = 0;
    while (length < key.size() && key[length] >= '0' && key[length] <= '9') {
        value = value * 10 + static_cast<uint64_t>(key[length] - '0');
        if (value > UINT32_MAX) return std::nullopt;
        ++length;
    }
    if (length == 0) return std::nullopt;
    if (length < key.size() && !IsBlank(key[length])) return std::nullopt;
    return static_cast<uint32_t>(value);
}

// Control characters other than tabs would show as boxes or cut the text.
std::string PrintableLine(std::string_view line)
{
    std::string result;
    result.reserve(line.size());
    for (char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 || c == '\t') result += c;
    }
    while (!result.empty() && IsBlank(result.back())) result.pop_back();
    return result;
}

// The lines from pos up to the next topic line or the end.
std::string TopicText(std::string_view source, std::size_t pos)
{
    std::string text;
    std::string pendingBreaks;  // blank lines inside the text, kept only when text follows
    while (pos < source.size() && text.size() < MaxPopupTextLength) {
        const std::string_view raw = NextLine(source, pos);
        std::string_view key;
        if (IsTopicLine(raw, key)) break;
        const std::string line = PrintableLine(raw);
        if (line.empty()) {
            if (!text.empty() && pendingBreaks.size() < MaxPopupTextLength) pendingBreaks += '\n';
            continue;
        }
        if (!text.empty()) text += '\n' + pendingBreaks;
        pendingBreaks.clear();
        text += line;
    }
    if (text.size() > MaxPopupTextLength) text.resize(MaxPopupTextLength);
    return text;
}

}  // namespace

std::optional<std::string> FindPopupText(std::string_view source, uint32_t contextNumber)
{
    if (source.size() > MaxPopupSourceBytes) source = source.substr(0, MaxPopupSourceBytes);
    constexpr std::string_view utf8Mark = "\xEF\xBB\xBF";
    if (source.substr(0, utf8Mark.size()) == utf8Mark) source.remove_prefix(utf8Mark.size());

    std::size_t pos = 0;
    while (pos < source.size()) {
        std::string_view key;
        if (!IsTopicLine(NextLine(source, pos), key) || DecimalKey(key) != contextNumber) continue;
        std::string text = TopicText(source, pos);
        if (text.empty()) return std::nullopt;
        return text;
    }
    return std::nullopt;
}

std::string PopupTextFor(std::string_view source, uint32_t contextNumber)
{
    return FindPopupText(source, contextNumber).value_or(NoHelpTopicText);
}
