#pragma once
// Fills a placeholder such as "%1" wherever it occurs in a text template.
#include <string>

namespace toolkit {

template <typename Char>
std::basic_string<Char> ReplaceAll(std::basic_string<Char> text, const std::basic_string<Char>& placeholder,
                                   const std::basic_string<Char>& value)
{
    if (placeholder.empty()) return text;
    // Searching on after the inserted value keeps a value that itself holds
    // the placeholder from being replaced again.
    for (size_t at = text.find(placeholder); at != std::basic_string<Char>::npos;
         at = text.find(placeholder, at + value.size()))
        text.replace(at, placeholder.size(), value);
    return text;
}

}  // namespace toolkit
