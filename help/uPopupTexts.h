#pragma once
// The numbered popup texts of a help file ("cshelp.txt" inside it), in the
// HTML help text-popup format: a line ".topic <number>" starts a text, which
// runs until the next ".topic" line. Only decimal numbers are looked up;
// topics named by symbols end the text before them and are otherwise skipped.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What is shown when the help file has no text for a number.
inline constexpr char NoHelpTopicText[] = "No help topic is associated with this item.";
// More of the source is never read, more of one text never shown.
inline constexpr std::size_t MaxPopupSourceBytes = 1024 * 1024;
inline constexpr std::size_t MaxPopupTextLength = 4096;

// The text of the first topic with that number, without the blank lines
// around it and with line ends as "\n"; none when there is no such topic or
// its text is empty.
std::optional<std::string> FindPopupText(std::string_view source, uint32_t contextNumber);

// The same, or NoHelpTopicText.
std::string PopupTextFor(std::string_view source, uint32_t contextNumber);
