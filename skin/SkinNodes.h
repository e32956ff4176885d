#pragma once
// The live elements of a skin window, built from the file's definitions: one
// class per element kind, each with the interfaces of its kind. A SkinScene
// holds one window's tree; it is either skinning a host window (SkinHost) or
// a template under the skin's root object.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "skin/SkinInterfaces.h"
#include "skin/SkinModel.h"

namespace skin {

class SkinNode;
class SkinResources;

// What a scene needs from the window it skins.
class SkinSceneHost {
public:
    virtual ~SkinSceneHost() = default;
    virtual void InvalidateArea(const RECT& area) = 0;
    virtual void AnimationStarted() = 0;
    virtual uint32_t Now() const = 0;
};

class SkinScene {
public:
    // outerRoot: an object above the window root that GetRect also accepts
    // (the skin's root object for templates); may be nullptr.
    SkinScene(std::shared_ptr<const SkinResources> resources, const ElementDef& windowDef, ISkinObject* outerRoot);
    ~SkinScene();
    SkinScene(const SkinScene&) = delete;
    SkinScene& operator=(const SkinScene&) = delete;

    SkinNode& Root() const { return *root_; }
    const SkinResources& Resources() const { return *resources_; }
    ISkinObject* OuterRoot() const { return outerRoot_; }

    void SetHost(SkinSceneHost* host) { host_ = host; }
    SkinSceneHost* Host() const { return host_; }

    // The client size the tree is laid out in.
    void SetSize(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }

    void Invalidate(const RECT& area);
    void InvalidateAll();

    // Animations: nodes report when they start one; Advance moves every running
    // animation to the time now and returns true while any still runs.
    void AnimationStarted(SkinNode* node);
    bool Advance(uint32_t now);
    bool Animating() const { return !animating_.empty(); }

private:
    std::shared_ptr<const SkinResources> resources_;
    std::unique_ptr<SkinNode> root_;
    ISkinObject* outerRoot_;
    SkinSceneHost* host_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    std::vector<SkinNode*> animating_;
};

class SkinNode : public virtual ISkinElement, public virtual ISkinAnimations {
public:
    SkinNode(SkinScene& scene, SkinNode* parent, const ElementDef& def);
    ~SkinNode() override;

    // ISkinObject
    std::wstring Name() const override { return def_.name; }
    int ChildCount() const override { return static_cast<int>(children_.size()); }
    ISkinObject* GetChild(int index) const override;
    ISkinObject* FindObject(const std::wstring& name) const override;
    // ISkinElement
    void Refresh() override;
    RECT GetRect(ISkinObject* root) const override;
    // ISkinAnimations
    int AnimationCount() const override { return static_cast<int>(def_.animations.size()); }
    std::wstring AnimationName(int index) const override;
    int StepCount(int index) const override;
    SkinAnimationStep GetStep(int index, int step) const override;
    void Play(int index) override;

    const ElementDef& Def() const { return def_; }
    ElementKind Kind() const { return def_.kind; }
    SkinNode* Parent() const { return parent_; }
    SkinScene& Scene() const { return scene_; }
    const std::vector<std::unique_ptr<SkinNode>>& Children() const { return children_; }

    // Where the element is now, in the window's client coordinates.
    RECT AbsRect() const;
    // AbsRect joined with those of every element below.
    RECT TreeBounds() const;
    // Own opacity now, 0..100; 0 means not drawn and not hit.
    double Opacity() const { return opacity_; }
    double OffsetX() const { return offsetX_; }
    double OffsetY() const { return offsetY_; }
    // Shown (this element and every parent with opacity above 0).
    bool IsShown() const;
    // The font name in effect (own, else the nearest parent's); may be empty.
    const std::string& FontName() const;

    // Moves a running animation to the time now; false once it has ended.
    bool AdvanceAnimation(uint32_t now);
    bool IsAnimating() const { return running_.active; }

protected:
    // Redraws after a change; setters call it.
    void Changed() { Refresh(); }

private:
    struct Running {
        bool active = false;
        int animation = 0;
        int step = 0;
        uint32_t stepStart = 0;
        double fromX = 0, fromY = 0, fromOpacity = 100;
    };
    void CheckAnimation(int index) const;
    void Apply(const StepDef& step, double t, const Running& run);

    SkinScene& scene_;
    SkinNode* parent_;
    const ElementDef& def_;
    std::vector<std::unique_ptr<SkinNode>> children_;
    double offsetX_ = 0;
    double offsetY_ = 0;
    double opacity_ = 100;
    Running running_;
};

class SkinWindowNode : public SkinNode, public virtual ISkinWindow {
public:
    using SkinNode::SkinNode;
    SkinColor GetColor() const override;
};

class SkinPanelNode : public SkinNode {
public:
    using SkinNode::SkinNode;
};

class SkinStaticNode : public SkinNode, public virtual ISkinStatic {
public:
    SkinStaticNode(SkinScene& scene, SkinNode* parent, const ElementDef& def);
    void SetText(const std::wstring& text) override;
    std::wstring GetText() const override { return text_; }
    SkinImageSection GetImageSection() const override { return section_; }
    void SetImageSection(const SkinImageSection& section) override;
    SkinColor GetColor() const override;

private:
    std::wstring text_;
    SkinImageSection section_;
};

class SkinButtonNode : public SkinNode, public virtual ISkinButton {
public:
    SkinButtonNode(SkinScene& scene, SkinNode* parent, const ElementDef& def);
    SkinButtonState GetState(int state) const override;
    void SetState(int state, const SkinButtonState& value) override;
    void SetText(const std::wstring& text) override;
    std::wstring GetText() const override { return text_; }

    const SkinButtonState& State(int index0) const { return states_[index0]; }

private:
    static void CheckStateNumber(int state);
    SkinButtonState states_[3];
    std::wstring text_;
};

class SkinScrollBarNode : public SkinNode, public virtual ISkinScrollBar {
public:
    SkinScrollBarNode(SkinScene& scene, SkinNode* parent, const ElementDef& def);
    void SetMin(int value) override;
    void SetMax(int value) override;
    void SetPage(int value) override;
    void SetStep(int value) override;
    void SetPosition(int value) override;
    int GetMin() const override { return min_; }
    int GetMax() const override { return max_; }
    int GetPage() const override { return page_; }
    int GetStep() const override { return step_; }
    int GetPosition() const override { return position_; }

    // The highest position a user reaches: Max - Page + 1 (Max for page 0),
    // never below Min.
    int HighestPosition() const;
    bool Vertical() const;

private:
    void Clamp();
    int min_, max_, page_, step_, position_;
};

// The skin's top element: its children are the skin windows (templates).
class SkinDocumentRoot : public virtual ISkinObject {
public:
    explicit SkinDocumentRoot(std::shared_ptr<const SkinResources> resources);
    ~SkinDocumentRoot() override;
    std::wstring Name() const override { return name_; }
    int ChildCount() const override { return static_cast<int>(scenes_.size()); }
    ISkinObject* GetChild(int index) const override;
    ISkinObject* FindObject(const std::wstring& name) const override;

private:
    std::wstring name_;
    std::vector<std::unique_ptr<SkinScene>> scenes_;
};

// Builds the node of an element definition, with its children.
std::unique_ptr<SkinNode> MakeNode(SkinScene& scene, SkinNode* parent, const ElementDef& def);

// Narrow text (ANSI code page) of a wide name, for messages.
std::string Narrow(const std::wstring& text);

}  // namespace skin
