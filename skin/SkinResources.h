#pragma once
// Everything a loaded skin holds besides its element trees: the parsed file,
// the decoded bitmaps and the fonts. Shared (read-only) by the skin's root
// object and every window it skins, so a window keeps working after
// UnloadSkin until its skin is removed.
#include <map>
#include <memory>
#include <string>

#include "skin/SkinBitmap.h"
#include "skin/SkinError.h"
#include "skin/SkinModel.h"
#include "toolkit/Handles.h"

namespace skin {

class SkinResources {
public:
    // fileName: the skin's path (wide), for its folder and base name.
    // bitmaps: by the name a layer gives; names of one file share its pixels.
    SkinResources(SkinDocument document, std::map<std::wstring, std::shared_ptr<const SkinPixels>> bitmaps,
                  const std::wstring& fileName);
    SkinResources(const SkinResources&) = delete;
    SkinResources& operator=(const SkinResources&) = delete;

    const SkinDocument& Document() const { return document_; }
    const std::wstring& BaseName() const { return baseName_; }

    // The picture of a section name: the image of that name, else the name
    // without a trailing "_pressed" or "_checked" (repeatedly); nullptr when
    // none of these exists.
    const ImageDef* Section(const std::wstring& name) const;
    // A decoded bitmap by the name a layer gives; nullptr when not loaded.
    const SkinPixels* Bitmap(const std::wstring& file) const;
    // The font of that name, else the skin's default font (never nullptr).
    HFONT Font(const std::string& name) const;

private:
    SkinDocument document_;
    std::map<std::wstring, std::shared_ptr<const SkinPixels>> bitmaps_;
    std::map<std::string, toolkit::UniqueFont> fonts_;
    toolkit::UniqueFont defaultFont_;
    std::wstring baseName_;
};

// Reads a skin file and the bitmaps it names; throws SkinError on any fault,
// running out of memory included.
std::shared_ptr<const SkinResources> LoadSkinFile(const std::wstring& path);
// The same for skin text in memory; bitmaps come from fileName's folder.
std::shared_ptr<const SkinResources> LoadSkinText(const std::string& text, const std::wstring& fileName);
// The error of a load that ran out of memory.
SkinError OutOfMemoryError(const std::wstring& fileName);

}  // namespace skin
