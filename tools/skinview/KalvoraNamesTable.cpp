#include "tools/skinview/KalvoraNamesTable.h"

#include "skin/SkinText.h"
#include "tools/skinview/KalvoraVocabulary.h"
#include "ui/uSkinTranslate.h"

namespace skinview {
namespace {

// A table cell keeps its '|' characters as text.
std::string Cell(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '|') out += '\\';
        out += c;
    }
    return out;
}

std::string TextOf(const std::wstring& name)
{
    for (const TElementText& entry : ElementTextTable())
        if (entry.Element == name) return skin::WideToUtf8(entry.Text);
    return std::string();
}

}  // namespace

std::string KalvoraNamesTable()
{
    const KalvoraVocabulary& vocabulary = TheKalvoraVocabulary();
    std::string table = "| name | kind | what the program does with it | more than one |\n|---|---|---|---|\n";
    table += "| `" + skin::WideToUtf8(vocabulary.mainWindow) + "` | window | is laid over the main window (required) | no |\n";
    for (const NameUse& use : vocabulary.elements) {
        std::string role = use.role;
        const std::string text = TextOf(use.name);
        if (!text.empty()) role += ": \"" + text + "\"";
        if (use.required) role += " (required)";
        if (use.fatal) role += "; another kind refuses the skin";
        if (use.dialogsOnly)
            role += "; in the default window, for the dialogs";
        else if (use.dialogs)
            role += "; the dialogs read it from the default window too";
        table += "| `" + skin::WideToUtf8(use.name) + "` | " + KindWords(use.kinds) + " | " + Cell(role) + " | " +
                 (use.single ? "no: only the first counts" : "yes") + " |\n";
    }
    for (const std::wstring& animation : vocabulary.animations)
        table += "| `" + skin::WideToUtf8(animation) + "` | animation | played when its page opens or closes | yes |\n";
    return table;
}

}  // namespace skinview
