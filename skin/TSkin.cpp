#include "skin/TSkin.h"

#include <map>
#include <new>

#include "skin/SkinHost.h"
#include "skin/SkinNodes.h"
#include "skin/SkinResources.h"

namespace skin {

struct TSkin::State {
    std::shared_ptr<const SkinResources> resources;
    std::unique_ptr<SkinDocumentRoot> root;
    std::map<HWND, std::shared_ptr<SkinHost>> hosts;
};

TSkin::TSkin() : state_(std::make_unique<State>()) {}

TSkin::~TSkin()
{
    // Each window gets its own look back; the hosts go with the map.
    auto hosts = std::move(state_->hosts);
    for (auto& entry : hosts) entry.second->Detach();
}

void TSkin::UnloadSkin()
{
    state_->root.reset();
    state_->resources.reset();
}

void TSkin::LoadSkin(const std::wstring& path)
{
    Replace(LoadSkinFile(path), path);
}

void TSkin::LoadSkinFromText(const std::string& text, const std::wstring& fileName)
{
    Replace(LoadSkinText(text, fileName), fileName);
}

void TSkin::Replace(std::shared_ptr<const SkinResources> resources, const std::wstring& fileName)
{
    // Everything is built aside first; only a complete skin replaces the
    // loaded one.
    std::unique_ptr<SkinDocumentRoot> root;
    try {
        root = std::make_unique<SkinDocumentRoot>(resources);
    } catch (const std::bad_alloc&) {
        throw OutOfMemoryError(fileName);
    }
    state_->root = std::move(root);
    state_->resources = std::move(resources);
}

bool TSkin::IsLoaded() const
{
    return state_->resources != nullptr;
}

ISkinObject* TSkin::GetRootObject() const
{
    if (!state_->root) throw SkinError("no skin is loaded");
    return state_->root.get();
}

void TSkin::ApplySkin(HWND window)
{
    if (!state_->resources) throw SkinError("no skin is loaded");
    const ElementDef* def = state_->resources->Document().DefaultWindow();
    if (!def) throw SkinError("the skin has no window");
    ApplySkinWindow(window, def->name);
}

void TSkin::ApplySkinWindow(HWND window, const std::wstring& windowName)
{
    if (!state_->resources) throw SkinError("no skin is loaded");
    const ElementDef* def = state_->resources->Document().WindowNamed(windowName);
    if (!def) throw SkinError("the skin has no window \"" + Narrow(windowName) + "\"");
    if (!window || !::IsWindow(window)) throw SkinError("there is no window to skin");
    auto existing = state_->hosts.find(window);
    if (existing != state_->hosts.end()) {
        std::shared_ptr<SkinHost> old = std::move(existing->second);
        state_->hosts.erase(existing);
        old->Detach();
    }
    State* state = state_.get();
    auto host = SkinHost::Attach(*this, window, state_->resources, *def, [state](HWND gone) { state->hosts.erase(gone); });
    state_->hosts[window] = std::move(host);
}

void TSkin::RemoveSkin(HWND window)
{
    auto it = state_->hosts.find(window);
    if (it == state_->hosts.end()) throw SkinError("the window is not skinned by this skin");
    std::shared_ptr<SkinHost> host = std::move(it->second);
    state_->hosts.erase(it);
    host->Detach();
}

ISkinObject* TSkin::GetWindowObject(HWND window) const
{
    auto it = state_->hosts.find(window);
    if (it == state_->hosts.end()) throw SkinError("the window is not skinned by this skin");
    return &it->second->Root();
}

}  // namespace skin
