#include "skin/SkinNodes.h"

#include <algorithm>

#include "skin/SkinResources.h"

namespace skin {
namespace {

SkinColor ToSkinColor(const SkinRgba& c)
{
    return SkinColor{c.b, c.g, c.r};
}

RECT Union(const RECT& a, const RECT& b)
{
    if (a.right <= a.left || a.bottom <= a.top) return b;
    if (b.right <= b.left || b.bottom <= b.top) return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

// Ease out: quick start, gentle arrival.
double Ease(double t)
{
    double u = 1.0 - t;
    return 1.0 - u * u * u;
}

}  // namespace

std::string Narrow(const std::wstring& text)
{
    if (text.empty()) return {};
    int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

// ---------------------------------------------------------------- scene

SkinScene::SkinScene(std::shared_ptr<const SkinResources> resources, const ElementDef& windowDef, ISkinObject* outerRoot)
    : resources_(std::move(resources)), outerRoot_(outerRoot), width_(windowDef.width), height_(windowDef.height)
{
    root_ = MakeNode(*this, nullptr, windowDef);
}

SkinScene::~SkinScene()
{
    animating_.clear();
    root_.reset();
}

void SkinScene::SetSize(int width, int height)
{
    width_ = std::max(0, width);
    height_ = std::max(0, height);
}

void SkinScene::Invalidate(const RECT& area)
{
    if (host_) host_->InvalidateArea(area);
}

void SkinScene::InvalidateAll()
{
    Invalidate(RECT{0, 0, width_, height_});
}

void SkinScene::AnimationStarted(SkinNode* node)
{
    if (std::find(animating_.begin(), animating_.end(), node) == animating_.end()) animating_.push_back(node);
    if (host_) host_->AnimationStarted();
}

bool SkinScene::Advance(uint32_t now)
{
    // A node may start another animation from nowhere here, so walk a copy.
    std::vector<SkinNode*> nodes = animating_;
    for (SkinNode* node : nodes) {
        RECT before = node->TreeBounds();
        bool running = node->AdvanceAnimation(now);
        Invalidate(Union(before, node->TreeBounds()));
        if (!running) animating_.erase(std::remove(animating_.begin(), animating_.end(), node), animating_.end());
    }
    return !animating_.empty();
}

// ---------------------------------------------------------------- node

SkinNode::SkinNode(SkinScene& scene, SkinNode* parent, const ElementDef& def)
    : scene_(scene), parent_(parent), def_(def), opacity_(def.opacity)
{
    for (const ElementDef& child : def.children) children_.push_back(MakeNode(scene, this, child));
}

SkinNode::~SkinNode() = default;

ISkinObject* SkinNode::GetChild(int index) const
{
    if (index < 0 || index >= ChildCount())
        throw SkinError("element \"" + Narrow(def_.name) + "\" has no child " + std::to_string(index));
    return children_[static_cast<std::size_t>(index)].get();
}

ISkinObject* SkinNode::FindObject(const std::wstring& name) const
{
    for (const auto& child : children_) {
        if (child->def_.name == name) return child.get();
        if (ISkinObject* found = child->FindObject(name)) return found;
    }
    return nullptr;
}

void SkinNode::Refresh()
{
    scene_.Invalidate(TreeBounds());
}

RECT SkinNode::GetRect(ISkinObject* root) const
{
    if (root && root != scene_.OuterRoot()) {
        const SkinNode* walk = this;
        while (walk && static_cast<const ISkinObject*>(walk) != root) walk = walk->parent_;
        if (!walk) throw SkinError("element \"" + Narrow(def_.name) + "\" is not inside the element given as root");
    }
    return AbsRect();
}

RECT SkinNode::AbsRect() const
{
    if (!parent_) return RECT{0, 0, scene_.Width(), scene_.Height()};
    RECT p = parent_->AbsRect();
    const int w = p.right - p.left;
    const int h = p.bottom - p.top;
    const int dx = static_cast<int>(offsetX_ >= 0 ? offsetX_ + 0.5 : offsetX_ - 0.5);
    const int dy = static_cast<int>(offsetY_ >= 0 ? offsetY_ + 0.5 : offsetY_ - 0.5);
    return RECT{p.left + def_.box.left.Resolve(w) + dx, p.top + def_.box.top.Resolve(h) + dy,
                p.left + def_.box.right.Resolve(w) + dx, p.top + def_.box.bottom.Resolve(h) + dy};
}

RECT SkinNode::TreeBounds() const
{
    RECT bounds = AbsRect();
    for (const auto& child : children_) bounds = Union(bounds, child->TreeBounds());
    return bounds;
}

bool SkinNode::IsShown() const
{
    for (const SkinNode* n = this; n; n = n->parent_)
        if (n->opacity_ <= 0) return false;
    return true;
}

const std::string& SkinNode::FontName() const
{
    for (const SkinNode* n = this; n; n = n->parent_)
        if (!n->def_.font.empty()) return n->def_.font;
    return def_.font;
}

void SkinNode::CheckAnimation(int index) const
{
    if (index < 0 || index >= AnimationCount())
        throw SkinError("element \"" + Narrow(def_.name) + "\" has no animation " + std::to_string(index));
}

std::wstring SkinNode::AnimationName(int index) const
{
    CheckAnimation(index);
    return def_.animations[static_cast<std::size_t>(index)].name;
}

int SkinNode::StepCount(int index) const
{
    CheckAnimation(index);
    return static_cast<int>(def_.animations[static_cast<std::size_t>(index)].steps.size());
}

SkinAnimationStep SkinNode::GetStep(int index, int step) const
{
    CheckAnimation(index);
    const auto& steps = def_.animations[static_cast<std::size_t>(index)].steps;
    if (step < 0 || step >= static_cast<int>(steps.size()))
        throw SkinError("animation \"" + Narrow(AnimationName(index)) + "\" has no step " + std::to_string(step));
    const StepDef& s = steps[static_cast<std::size_t>(step)];
    return SkinAnimationStep{s.a, s.b, s.c, s.ms};
}

void SkinNode::Play(int index)
{
    CheckAnimation(index);
    RECT before = TreeBounds();
    running_ = Running{};
    running_.active = true;
    running_.animation = index;
    running_.fromX = offsetX_;
    running_.fromY = offsetY_;
    running_.fromOpacity = opacity_;
    SkinSceneHost* host = scene_.Host();
    if (!host) {
        // Not in a window: no time passes, the end state is taken at once.
        while (AdvanceAnimation(0)) {
        }
        running_.active = false;
        return;
    }
    running_.stepStart = host->Now();
    scene_.Invalidate(before);
    scene_.AnimationStarted(this);
}

void SkinNode::Apply(const StepDef& step, double t, const Running& run)
{
    double e = Ease(t);
    offsetX_ = run.fromX + (step.a - run.fromX) * e;
    offsetY_ = run.fromY + (step.b - run.fromY) * e;
    if (step.c >= 0) opacity_ = run.fromOpacity + (step.c - run.fromOpacity) * e;
}

bool SkinNode::AdvanceAnimation(uint32_t now)
{
    if (!running_.active) return false;
    const auto& steps = def_.animations[static_cast<std::size_t>(running_.animation)].steps;
    const bool timeless = scene_.Host() == nullptr;
    for (;;) {
        if (running_.step >= static_cast<int>(steps.size())) {
            running_.active = false;
            return false;
        }
        const StepDef& step = steps[static_cast<std::size_t>(running_.step)];
        const uint32_t elapsed = now - running_.stepStart;
        if (timeless || step.ms == 0 || elapsed >= static_cast<uint32_t>(step.ms)) {
            Apply(step, 1.0, running_);
            running_.stepStart += timeless ? 0u : static_cast<uint32_t>(step.ms);
            running_.fromX = offsetX_;
            running_.fromY = offsetY_;
            running_.fromOpacity = opacity_;
            ++running_.step;
            continue;
        }
        Apply(step, static_cast<double>(elapsed) / step.ms, running_);
        return true;
    }
}

// ---------------------------------------------------------------- kinds

SkinColor SkinWindowNode::GetColor() const
{
    if (!Def().hasColor) throw SkinError("skin window \"" + Narrow(Def().name) + "\" has no colour");
    return ToSkinColor(Def().color);
}

SkinStaticNode::SkinStaticNode(SkinScene& scene, SkinNode* parent, const ElementDef& def)
    : SkinNode(scene, parent, def), text_(def.text)
{
    section_.Name = std::wstring(def.image.begin(), def.image.end());
    section_.OffsetX = def.imageDx;
    section_.OffsetY = def.imageDy;
}

void SkinStaticNode::SetText(const std::wstring& text)
{
    text_ = text;
    Changed();
}

void SkinStaticNode::SetImageSection(const SkinImageSection& section)
{
    section_ = section;
    Changed();
}

SkinColor SkinStaticNode::GetColor() const
{
    if (!Def().hasColor) throw SkinError("static \"" + Narrow(Def().name) + "\" has no colour");
    return ToSkinColor(Def().color);
}

SkinButtonNode::SkinButtonNode(SkinScene& scene, SkinNode* parent, const ElementDef& def)
    : SkinNode(scene, parent, def), text_(def.text)
{
    for (int i = 0; i < 3; ++i) {
        const StateDef& s = def.states[static_cast<std::size_t>(i)];
        states_[i].Section.Name = std::wstring(s.section.begin(), s.section.end());
        states_[i].Section.OffsetX = s.dx;
        states_[i].Section.OffsetY = s.dy;
        states_[i].Color = ToSkinColor(s.color);
    }
}

void SkinButtonNode::CheckStateNumber(int state)
{
    if (state < 1 || state > 3) throw SkinError("a button has states 1 to 3, not " + std::to_string(state));
}

SkinButtonState SkinButtonNode::GetState(int state) const
{
    CheckStateNumber(state);
    return states_[state - 1];
}

void SkinButtonNode::SetState(int state, const SkinButtonState& value)
{
    CheckStateNumber(state);
    states_[state - 1] = value;
    Changed();
}

void SkinButtonNode::SetText(const std::wstring& text)
{
    text_ = text;
    Changed();
}

SkinScrollBarNode::SkinScrollBarNode(SkinScene& scene, SkinNode* parent, const ElementDef& def)
    : SkinNode(scene, parent, def),
      min_(def.scroll.min),
      max_(def.scroll.max),
      page_(def.scroll.page),
      step_(def.scroll.step),
      position_(def.scroll.position)
{
    Clamp();
}

int SkinScrollBarNode::HighestPosition() const
{
    long long highest = static_cast<long long>(max_) - std::max(page_, 1) + 1;
    return static_cast<int>(std::max<long long>(highest, min_));
}

bool SkinScrollBarNode::Vertical() const
{
    if (Def().scroll.orientationSet) return Def().scroll.vertical;
    RECT r = AbsRect();
    return (r.bottom - r.top) > (r.right - r.left);
}

void SkinScrollBarNode::Clamp()
{
    page_ = std::max(page_, 0);
    step_ = std::max(step_, 0);
    position_ = std::clamp(position_, min_, HighestPosition());
}

void SkinScrollBarNode::SetMin(int value)
{
    min_ = value;
    Clamp();
    Changed();
}

void SkinScrollBarNode::SetMax(int value)
{
    max_ = value;
    Clamp();
    Changed();
}

void SkinScrollBarNode::SetPage(int value)
{
    page_ = value;
    Clamp();
    Changed();
}

void SkinScrollBarNode::SetStep(int value)
{
    step_ = value;
    Clamp();
    Changed();
}

void SkinScrollBarNode::SetPosition(int value)
{
    position_ = value;
    Clamp();
    Changed();
}

std::unique_ptr<SkinNode> MakeNode(SkinScene& scene, SkinNode* parent, const ElementDef& def)
{
    switch (def.kind) {
    case ElementKind::Window: return std::make_unique<SkinWindowNode>(scene, parent, def);
    case ElementKind::Panel: return std::make_unique<SkinPanelNode>(scene, parent, def);
    case ElementKind::Static: return std::make_unique<SkinStaticNode>(scene, parent, def);
    case ElementKind::Button: return std::make_unique<SkinButtonNode>(scene, parent, def);
    case ElementKind::ScrollBar: return std::make_unique<SkinScrollBarNode>(scene, parent, def);
    }
    return std::make_unique<SkinPanelNode>(scene, parent, def);
}

// ---------------------------------------------------------------- root

SkinDocumentRoot::SkinDocumentRoot(std::shared_ptr<const SkinResources> resources)
{
    const SkinDocument& doc = resources->Document();
    name_ = doc.name.empty() ? resources->BaseName() : doc.name;
    for (const ElementDef& window : doc.windows) scenes_.push_back(std::make_unique<SkinScene>(resources, window, this));
}

SkinDocumentRoot::~SkinDocumentRoot() = default;

ISkinObject* SkinDocumentRoot::GetChild(int index) const
{
    if (index < 0 || index >= ChildCount()) throw SkinError("the skin has no window " + std::to_string(index));
    return &scenes_[static_cast<std::size_t>(index)]->Root();
}

ISkinObject* SkinDocumentRoot::FindObject(const std::wstring& name) const
{
    for (const auto& scene : scenes_) {
        if (scene->Root().Name() == name) return &scene->Root();
        if (ISkinObject* found = scene->Root().FindObject(name)) return found;
    }
    return nullptr;
}

}  // namespace skin
