#include "tools/skinview/KalvoraVocabulary.h"

#include <exception>
#include <functional>
#include <memory>

#include "skin/SkinInterfaces.h"
#include "ui/fSkinned.h"
#include "ui/uKalvoraSkinHelper.h"
#include "ui/uMainElements.h"
#include "ui/uSkinHelper.h"
#include "ui/uSkinNames.h"
#include "ui/uSkinTranslate.h"

namespace skinview {
namespace {

// Stand-in elements: they do nothing but note that the program used them as
// their kind. Every element has a place and (no) animations, as in a skin.
class ProbeElement : public virtual skin::ISkinElement, public virtual skin::ISkinAnimations {
public:
    ProbeElement(std::wstring name, bool& used) : name_(std::move(name)), used_(used) {}

    std::wstring Name() const override { return name_; }
    int ChildCount() const override { return 0; }
    skin::ISkinObject* GetChild(int) const override { throw skin::SkinError("no child"); }
    skin::ISkinObject* FindObject(const std::wstring&) const override { return nullptr; }
    void Refresh() override {}
    RECT GetRect(skin::ISkinObject*) const override { return RECT{0, 0, 0, 0}; }
    int AnimationCount() const override { return 0; }
    std::wstring AnimationName(int) const override { throw skin::SkinError("no animation"); }
    int StepCount(int) const override { throw skin::SkinError("no animation"); }
    skin::SkinAnimationStep GetStep(int, int) const override { throw skin::SkinError("no animation"); }
    void Play(int) override { throw skin::SkinError("no animation"); }

protected:
    void Used() const { used_ = true; }

private:
    std::wstring name_;
    bool& used_;
};

class ProbeStatic : public ProbeElement, public virtual skin::ISkinStatic {
public:
    using ProbeElement::ProbeElement;
    void SetText(const std::wstring&) override { Used(); }
    std::wstring GetText() const override { Used(); return {}; }
    skin::SkinImageSection GetImageSection() const override { Used(); return {}; }
    void SetImageSection(const skin::SkinImageSection&) override { Used(); }
    skin::SkinColor GetColor() const override { Used(); return {}; }
};

class ProbeButton : public ProbeElement, public virtual skin::ISkinButton {
public:
    using ProbeElement::ProbeElement;
    skin::SkinButtonState GetState(int) const override { Used(); return {}; }
    void SetState(int, const skin::SkinButtonState&) override { Used(); }
    void SetText(const std::wstring&) override { Used(); }
    std::wstring GetText() const override { Used(); return {}; }
};

class ProbeScrollBar : public ProbeElement, public virtual skin::ISkinScrollBar {
public:
    using ProbeElement::ProbeElement;
    void SetMin(int) override { Used(); }
    void SetMax(int) override { Used(); }
    void SetPage(int) override { Used(); }
    void SetStep(int) override { Used(); }
    void SetPosition(int) override { Used(); }
    int GetMin() const override { Used(); return 0; }
    int GetMax() const override { Used(); return 0; }
    int GetPage() const override { Used(); return 0; }
    int GetStep() const override { Used(); return 0; }
    int GetPosition() const override { Used(); return 0; }
};

// The root the program's helpers search: answers one name with the element
// under trial and notes every name asked for.
class ProbeRoot : public virtual skin::ISkinObject {
public:
    ProbeRoot(std::wstring name, skin::ISkinObject* answer) : name_(std::move(name)), answer_(answer) {}

    std::wstring Name() const override { return L"probe"; }
    int ChildCount() const override { return 0; }
    skin::ISkinObject* GetChild(int) const override { throw skin::SkinError("no child"); }
    skin::ISkinObject* FindObject(const std::wstring& name) const override
    {
        asked_.push_back(name);
        return !name_.empty() && name == name_ ? answer_ : nullptr;
    }
    const std::vector<std::wstring>& Asked() const { return asked_; }

private:
    std::wstring name_;
    skin::ISkinObject* answer_;
    mutable std::vector<std::wstring> asked_;
};

using Program = std::function<void(skin::ISkinObject*)>;

std::unique_ptr<ProbeElement> MakeProbe(unsigned kind, const std::wstring& name, bool& used)
{
    switch (kind) {
    case KindStatic: return std::make_unique<ProbeStatic>(name, used);
    case KindButton: return std::make_unique<ProbeButton>(name, used);
    case KindScrollBar: return std::make_unique<ProbeScrollBar>(name, used);
    default: return std::make_unique<ProbeElement>(name, used);
    }
}

struct Trial {
    bool used = false;
    bool threw = false;
    std::vector<std::wstring> asked;
};

// Runs the program's code with the name answered by an element of that kind
// (0: an element of none of the kinds; an empty name: no element at all).
Trial Try(const Program& program, const std::wstring& name, unsigned kind)
{
    Trial trial;
    std::unique_ptr<ProbeElement> element = MakeProbe(kind, name, trial.used);
    ProbeRoot root(name, element.get());
    try {
        program(&root);
    } catch (const std::exception&) {
        trial.threw = true;
    }
    trial.asked = root.Asked();
    return trial;
}

class Builder {
public:
    // Every name the code asks for, with the kinds it takes: code that fails
    // on a wrong kind accepts whatever does not make it fail; code that
    // skips a wrong kind accepts what it used.
    void Learn(const Program& program, const std::string& role, bool dialogs = false)
    {
        for (const std::wstring& name : Try(program, std::wstring(), 0).asked) {
            if (name.empty()) continue;
            const bool fatal = Try(program, name, 0).threw;
            unsigned kinds = 0;
            for (unsigned kind : {KindStatic, KindButton, KindScrollBar}) {
                const Trial trial = Try(program, name, kind);
                if (fatal ? !trial.threw : trial.used) kinds |= kind;
            }
            NameUse use;
            use.name = name;
            use.kinds = kinds ? kinds : KindAny;
            use.fatal = fatal;
            use.single = true;
            use.dialogs = dialogs;
            use.role = role;
            Merge(use);
        }
    }

    void Merge(const NameUse& use)
    {
        for (NameUse& known : vocabulary_.elements) {
            if (known.name != use.name) continue;
            known.kinds &= use.kinds;
            if (!known.kinds) known.kinds = use.kinds;
            known.fatal = known.fatal || use.fatal;
            known.single = known.single || use.single;
            known.required = known.required || use.required;
            known.dialogs = known.dialogs || use.dialogs;
            if (known.role.find(use.role) == std::string::npos) known.role += ", " + use.role;
            return;
        }
        vocabulary_.elements.push_back(use);
    }

    KalvoraVocabulary& Vocabulary() { return vocabulary_; }

private:
    KalvoraVocabulary vocabulary_;
};

// The main window's own looks and colours, by ID: the page buttons and the
// tray icon choices get the pressed look, the switches the checked look, and
// the chart reads its colours (the free-and-run manager too, from the
// dialogs' window).
constexpr int32_t PressedIDs[] = {103, 104, 105, 106, 107, 113, 1101, 1102, 1103, 1104, 1105, 1106, 1107, 1108};
constexpr int32_t CheckedIDs[] = {805, 905, 1005, 1109, 1301, 1405};
constexpr int32_t ChartColourIDs[] = {401, 402, 403, 404, 405, 406};
constexpr int32_t MainWindowID = 1;
constexpr int32_t ChartID = 101;
// The hundreds of the page animations' names.
constexpr int32_t AnimationGroup = 2;

KalvoraVocabulary Build()
{
    Builder builder;
    builder.Learn([](skin::ISkinObject* root) { FindMainElements(root, 1000); }, "shows or sets a value");
    builder.Learn([](skin::ISkinObject* root) { FindStaticElement(root, L"StatusStatic"); }, "shows the status line");
    builder.Learn([](skin::ISkinObject* root) { ApplyElementTexts(root); }, "receives its text");
    builder.Learn([](skin::ISkinObject* root) { ApplyProductImages(root); }, "receives the program's picture");
    for (int32_t id : PressedIDs) {
        builder.Learn([id](skin::ISkinObject* root) {
            PressButton(root, id);
            ReleaseButton(root, id);
        }, "gets the pressed look");
    }
    for (int32_t id : CheckedIDs) {
        builder.Learn([id](skin::ISkinObject* root) {
            CheckElement(root, id);
            UncheckElement(root, id);
        }, "gets the checked look");
    }
    for (int32_t id : ChartColourIDs) {
        builder.Learn([id](skin::ISkinObject* root) { ReadElementColor(FindElement(root, SkinIDToName(id)), 0); },
                      "gives a chart colour", true);
    }

    // The dialogs' text look; a skin without it keeps the system's.
    NameUse dialogText;
    dialogText.name = DialogTextElementName;
    dialogText.kinds = KindStatic;
    dialogText.single = true;
    dialogText.dialogs = true;
    dialogText.dialogsOnly = true;
    dialogText.role = "gives the dialogs' texts its colour and font";
    builder.Merge(dialogText);

    KalvoraVocabulary& vocabulary = builder.Vocabulary();
    for (const TSkinID& row : SkinNames) {
        if (row.Name.empty()) continue;
        if (row.ID == MainWindowID) {
            vocabulary.mainWindow = std::wstring(row.Name);
        } else if (row.ID / 100 == AnimationGroup) {
            vocabulary.animations.emplace_back(row.Name);
        } else if (row.ID == ChartID) {
            NameUse chart;
            chart.name = std::wstring(row.Name);
            chart.required = true;
            chart.single = true;
            chart.role = "carries the history chart";
            builder.Merge(chart);
        } else if (!vocabulary.Find(std::wstring(row.Name))) {
            // The rest of the table only answers clicks; an element that
            // does no more may occur as often as the skin likes.
            NameUse click;
            click.name = std::wstring(row.Name);
            click.role = "takes a click";
            builder.Merge(click);
        }
    }
    return std::move(vocabulary);
}

}  // namespace

std::string KindWords(unsigned kinds)
{
    std::string words;
    auto add = [&](unsigned bit, const char* word) {
        if (!(kinds & bit)) return;
        words += words.empty() ? "" : " or ";
        words += word;
    };
    add(KindStatic, "static");
    add(KindButton, "button");
    add(KindScrollBar, "scroll bar");
    return words;
}

const NameUse* KalvoraVocabulary::Find(const std::wstring& name) const
{
    for (const NameUse& use : elements) {
        if (use.name == name) return &use;
    }
    return nullptr;
}

bool KalvoraVocabulary::IsAnimation(const std::wstring& name) const
{
    for (const std::wstring& animation : animations) {
        if (animation == name) return true;
    }
    return false;
}

const KalvoraVocabulary& TheKalvoraVocabulary()
{
    static const KalvoraVocabulary vocabulary = Build();
    return vocabulary;
}

}  // namespace skinview
