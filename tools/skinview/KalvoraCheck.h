#pragma once
// skinview --check FILE --for kalvora: beyond the file being a valid skin,
// tells a skin author what Kalvora's main window and dialogs look for and do
// not find, what they would skip or refuse, and which names look mistyped.
#include <string>
#include <vector>

#include "skin/SkinModel.h"

namespace skinview {

// Error: the program cannot use the skin (or it is no skin at all).
// Warning: the program skips something the author most likely meant.
// Note: an optional element or animation is missing.
enum class Severity { Error, Warning, Note };

struct Finding {
    Severity severity = Severity::Note;
    int line = 0;  // 0: the file as a whole
    std::string message;
    bool placed = false;  // the message names file and line itself (a load error)
};

// The findings for a document that loaded, in the order of the file.
std::vector<Finding> CheckForKalvora(const skin::SkinDocument& document);

// Loads the skin (text and pictures) first; a skin that does not load gives
// one error with the loader's message.
std::vector<Finding> CheckSkinFileForKalvora(const std::wstring& path);
std::vector<Finding> CheckSkinTextForKalvora(const std::string& text, const std::wstring& fileName);

bool HasErrors(const std::vector<Finding>& findings);

// "file(line): error: message" (no line for the file as a whole).
std::string FormatFinding(const std::string& fileName, const Finding& finding);

// The nearest name of the list that the name was most likely meant to be,
// or an empty text: a couple of typing mistakes or a case slip, or a missing
// or extra word in the middle ("intervall_text" for "intervall_amount_text").
std::wstring LikelyMeant(const std::wstring& name, const std::vector<std::wstring>& names);

}  // namespace skinview
