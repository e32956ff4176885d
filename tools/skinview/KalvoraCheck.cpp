#include "tools/skinview/KalvoraCheck.h"

#include <algorithm>
#include <cwctype>
#include <exception>
#include <map>

#include "skin/SkinError.h"
#include "skin/SkinResources.h"
#include "toolkit/WideText.h"
#include "tools/skinview/KalvoraVocabulary.h"

namespace skinview {
namespace {

std::string Quoted(const std::wstring& name)
{
    return "\"" + toolkit::AnsiFromWide(name) + "\"";
}

unsigned KindBit(skin::ElementKind kind)
{
    switch (kind) {
    case skin::ElementKind::Static: return KindStatic;
    case skin::ElementKind::Button: return KindButton;
    case skin::ElementKind::ScrollBar: return KindScrollBar;
    case skin::ElementKind::Window:
    case skin::ElementKind::Panel: break;
    }
    return 0;
}

const char* KindName(skin::ElementKind kind)
{
    switch (kind) {
    case skin::ElementKind::Window: return "window";
    case skin::ElementKind::Panel: return "panel";
    case skin::ElementKind::Static: return "static";
    case skin::ElementKind::Button: return "button";
    case skin::ElementKind::ScrollBar: return "scroll bar";
    }
    return "element";
}

const char* Article(const std::string& word)
{
    return !word.empty() && std::string("aeiou").find(word[0]) != std::string::npos ? "an" : "a";
}

// Every element below a window, in the order of the file.
void Collect(const skin::ElementDef& parent, std::vector<const skin::ElementDef*>& out)
{
    for (const skin::ElementDef& child : parent.children) {
        out.push_back(&child);
        Collect(child, out);
    }
}

std::vector<const skin::ElementDef*> ElementsOf(const skin::ElementDef& window)
{
    std::vector<const skin::ElementDef*> elements;
    Collect(window, elements);
    return elements;
}

// Every animation of the window and the elements below it, first line each.
std::map<std::wstring, int> AnimationsOf(const skin::ElementDef& window)
{
    std::map<std::wstring, int> found;
    std::vector<const skin::ElementDef*> owners{&window};
    Collect(window, owners);
    for (const skin::ElementDef* owner : owners) {
        for (const skin::AnimationDef& animation : owner->animations) found.emplace(animation.name, animation.line);
    }
    return found;
}

class Checker {
public:
    Checker(const skin::SkinDocument& document) : document_(document), vocabulary_(TheKalvoraVocabulary())
    {
        for (const NameUse& use : vocabulary_.elements) elementNames_.push_back(use.name);
    }

    std::vector<Finding> Run()
    {
        const skin::ElementDef* main = document_.WindowNamed(vocabulary_.mainWindow);
        if (main) {
            CheckMainWindow(*main);
        } else {
            Add(Severity::Error, 0,
                "no window " + Quoted(vocabulary_.mainWindow) + ": Kalvora draws its main window with it");
        }
        CheckDialogWindow(main);
        std::stable_sort(findings_.begin(), findings_.end(),
                         [](const Finding& a, const Finding& b) { return a.line < b.line; });
        return std::move(findings_);
    }

private:
    void Add(Severity severity, int line, std::string message)
    {
        findings_.push_back(Finding{severity, line, std::move(message), false});
    }

    // Kind and repetition of the elements the program uses; first elements
    // of a name seen so far go into first.
    void CheckUse(const skin::ElementDef& element, const NameUse& use,
                  std::map<std::wstring, const skin::ElementDef*>& first)
    {
        auto [known, inserted] = first.emplace(element.name, &element);
        if (!inserted) {
            if (use.single)
                Add(Severity::Warning, element.line,
                    "a second element " + Quoted(element.name) + " (the first is on line " +
                        std::to_string(known->second->line) + "): the program uses only the first, which " + use.role);
            return;
        }
        if (use.kinds == KindAny || (KindBit(element.kind) & use.kinds)) return;
        const std::string kind = KindName(element.kind);
        const std::string wanted = KindWords(use.kinds);
        std::string message = Quoted(element.name) + " is " + Article(kind) + " " + kind + ", but the program needs " +
                              Article(wanted) + " " + wanted + " there (it " + use.role + ")";
        if (use.fatal)
            Add(Severity::Error, element.line, message + "; the main window does not load a skin like this");
        else
            Add(Severity::Warning, element.line, message + "; as it is, the program skips it");
    }

    void CheckMainWindow(const skin::ElementDef& window)
    {
        std::map<std::wstring, const skin::ElementDef*> first;
        for (const skin::ElementDef* element : ElementsOf(window)) {
            if (const NameUse* use = vocabulary_.Find(element->name)) {
                CheckUse(*element, *use, first);
                continue;
            }
            const std::wstring meant = LikelyMeant(element->name, elementNames_);
            if (!meant.empty())
                Add(Severity::Warning, element->line,
                    Quoted(element->name) + " is no name the program uses; did you mean " + Quoted(meant) + "?");
        }
        for (const NameUse& use : vocabulary_.elements) {
            if (first.count(use.name) || use.dialogsOnly) continue;
            const std::string what = use.kinds == KindAny ? std::string("element") : KindWords(use.kinds);
            if (use.required)
                Add(Severity::Error, window.line,
                    "the window " + Quoted(window.name) + " has no element " + Quoted(use.name) +
                        ", and the main window cannot do without it (it " + use.role + ")");
            else
                Add(Severity::Note, window.line, "no " + what + " " + Quoted(use.name) + " (it " + use.role + ")");
        }

        const std::map<std::wstring, int> animations = AnimationsOf(window);
        for (const auto& [name, line] : animations) {
            if (vocabulary_.IsAnimation(name)) continue;
            const std::wstring meant = LikelyMeant(name, vocabulary_.animations);
            if (!meant.empty())
                Add(Severity::Warning, line,
                    "the program never plays an animation " + Quoted(name) + "; did you mean " + Quoted(meant) + "?");
        }
        for (const std::wstring& name : vocabulary_.animations) {
            if (!animations.count(name))
                Add(Severity::Note, window.line, "no animation " + Quoted(name) + " (the page changes play it)");
        }
    }

    // The dialogs skin themselves with the default window: its colour is
    // their background, and the free-and-run manager reads the chart
    // colours from it.
    void CheckDialogWindow(const skin::ElementDef* main)
    {
        const skin::ElementDef* dialog = document_.DefaultWindow();
        if (!dialog) return;
        if (dialog == main) {
            Add(Severity::Note, dialog->line,
                "the dialogs are skinned with the default window, which is the main window " + Quoted(main->name) +
                    " here; give them a window of their own with \"default = yes\"");
            return;
        }
        if (!dialog->hasColor)
            Add(Severity::Note, dialog->line,
                "the default window " + Quoted(dialog->name) +
                    " has no \"color\": the dialogs keep the system's background colour");
        std::map<std::wstring, const skin::ElementDef*> first;
        for (const skin::ElementDef* element : ElementsOf(*dialog)) {
            const NameUse* use = vocabulary_.Find(element->name);
            if (use && use->dialogs) CheckUse(*element, *use, first);
        }
        for (const NameUse& use : vocabulary_.elements) {
            if (use.dialogs && !use.dialogsOnly && !first.count(use.name))
                Add(Severity::Note, dialog->line,
                    "the default window " + Quoted(dialog->name) + " has no " + KindWords(use.kinds) + " " +
                        Quoted(use.name) + " (the free-and-run manager's chart takes its colour from it)");
        }
    }

    const skin::SkinDocument& document_;
    const KalvoraVocabulary& vocabulary_;
    std::vector<std::wstring> elementNames_;
    std::vector<Finding> findings_;
};

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

// Levenshtein distance, worked out only as far as limit: anything further
// gives limit + 1. Keeps a skin of thousands of long names quick to check.
std::size_t EditDistance(const std::wstring& a, const std::wstring& b, std::size_t limit)
{
    const std::size_t beyond = limit + 1;
    if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > limit) return beyond;
    std::vector<std::size_t> row(b.size() + 1), next(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = std::min(j, beyond);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::fill(next.begin(), next.end(), beyond);
        next[0] = std::min(i, beyond);
        const std::size_t from = i > limit ? i - limit : 1;
        const std::size_t to = std::min(b.size(), i + limit);
        std::size_t best = next[0];
        for (std::size_t j = from; j <= to; ++j) {
            next[j] = std::min({row[j] + 1, next[j - 1] + 1, row[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1), beyond});
            best = std::min(best, next[j]);
        }
        if (best >= beyond) return beyond;
        row.swap(next);
    }
    return row[b.size()];
}

std::vector<std::wstring> Words(const std::wstring& name)
{
    std::vector<std::wstring> words(1);
    for (wchar_t c : name) {
        if (c == L'_')
            words.emplace_back();
        else
            words.back() += c;
    }
    return words;
}

// The longer has one word more than the shorter, not its first or last.
bool OneMiddleWordApart(const std::vector<std::wstring>& shorter, const std::vector<std::wstring>& longer)
{
    if (shorter.size() < 2 || longer.size() != shorter.size() + 1) return false;
    if (shorter.front() != longer.front() || shorter.back() != longer.back()) return false;
    for (std::size_t skip = 1; skip + 1 < longer.size(); ++skip) {
        bool same = true;
        for (std::size_t i = 0, j = 0; i < shorter.size(); ++i, ++j) {
            if (j == skip) ++j;
            if (shorter[i] != longer[j]) same = false;
        }
        if (same) return true;
    }
    return false;
}

}  // namespace

std::wstring LikelyMeant(const std::wstring& name, const std::vector<std::wstring>& names)
{
    if (name.empty() || name.size() > 200) return {};
    const std::wstring lower = Lower(name);
    const std::vector<std::wstring> words = Words(lower);
    const std::size_t allowed = lower.size() >= 6 ? 2 : 1;
    std::wstring best;
    std::size_t bestDistance = allowed + 1;
    for (const std::wstring& candidate : names) {
        if (candidate == name) return {};
        const std::wstring other = Lower(candidate);
        std::size_t distance = EditDistance(lower, other, allowed);
        if (distance > allowed) {
            const std::vector<std::wstring> otherWords = Words(other);
            if (!OneMiddleWordApart(words, otherWords) && !OneMiddleWordApart(otherWords, words)) continue;
            distance = allowed;  // a word apart counts as far as the furthest slip
        }
        if (distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

std::vector<Finding> CheckForKalvora(const skin::SkinDocument& document)
{
    return Checker(document).Run();
}

namespace {

template <class Load>
std::vector<Finding> LoadThenCheck(Load load)
{
    std::shared_ptr<const skin::SkinResources> resources;
    try {
        resources = load();
    } catch (const std::exception& e) {
        return {Finding{Severity::Error, 0, e.what(), true}};
    }
    return CheckForKalvora(resources->Document());
}

}  // namespace

std::vector<Finding> CheckSkinFileForKalvora(const std::wstring& path)
{
    return LoadThenCheck([&] { return skin::LoadSkinFile(path); });
}

std::vector<Finding> CheckSkinTextForKalvora(const std::string& text, const std::wstring& fileName)
{
    return LoadThenCheck([&] { return skin::LoadSkinText(text, fileName); });
}

bool HasErrors(const std::vector<Finding>& findings)
{
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& f) { return f.severity == Severity::Error; });
}

std::string FormatFinding(const std::string& fileName, const Finding& finding)
{
    const char* word = finding.severity == Severity::Error ? "error" : finding.severity == Severity::Warning ? "warning" : "note";
    if (finding.placed) return std::string(word) + ": " + finding.message;
    if (finding.line <= 0) return fileName + ": " + word + ": " + finding.message;
    return fileName + "(" + std::to_string(finding.line) + "): " + word + ": " + finding.message;
}

}  // namespace skinview
