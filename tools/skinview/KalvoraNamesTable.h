#pragma once
// The list of every name Kalvora uses in a skin, as the skin format
// document shows it (a Markdown table), made from the program's own tables:
// skinview --names prints it, and a test keeps the document equal to it.
#include <string>

namespace skinview {

// Rows in the order the program first asks for the names, then the page
// animations; UTF-8 text ending in a line break.
std::string KalvoraNamesTable();

}  // namespace skinview
