#include "skin/SkinResources.h"

#include <new>
#include <tuple>

#include "skin/SkinError.h"
#include "skin/SkinLimits.h"
#include "skin/SkinNodes.h"
#include "skin/SkinParser.h"
#include "skin/SkinPng.h"
#include "skin/SkinText.h"

namespace skin {
namespace {

std::wstring FolderOf(const std::wstring& path)
{
    std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

toolkit::UniqueFont MakeFont(const FontDef& def, int dpi)
{
    LOGFONTA lf{};
    lf.lfHeight = -::MulDiv(def.points, dpi, 72);
    lf.lfWeight = def.weight;
    lf.lfItalic = def.italic ? TRUE : FALSE;
    lf.lfUnderline = def.underline ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    std::string face = Narrow(def.face);
    lstrcpynA(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    return toolkit::UniqueFont(::CreateFontIndirectA(&lf));
}

int ScreenDpi()
{
    HDC screen = ::GetDC(nullptr);
    int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

toolkit::UniqueFileHandle OpenForReading(const std::wstring& path, const std::string& what)
{
    // The A functions take the name in the ANSI code page; a name that does
    // not fit it would open some other file, or none.
    BOOL lossy = FALSE;
    int needed = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, nullptr, 0, nullptr, &lossy);
    if (needed <= 1 || lossy) throw SkinError(what + ": the file name cannot be used on this system");
    std::string narrow = Narrow(path);
    toolkit::UniqueFileHandle file(::CreateFileA(narrow.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            throw SkinError(what + ": the file was not found (" + narrow + ")");
        throw SkinError(what + ": the file cannot be opened (error " + std::to_string(error) + ")");
    }
    return file;
}

// Whole file into memory, refusing what is larger than limit.
std::vector<uint8_t> ReadAll(HANDLE file, std::size_t limit, const std::string& what)
{
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) throw SkinError(what + ": the file size cannot be read");
    if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > limit)
        throw SkinError(what + ": the file is larger than " + std::to_string(limit / (1024 * 1024)) + " MB");
    std::vector<uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && (!::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()))
        throw SkinError(what + ": the file cannot be read");
    return bytes;
}

std::vector<uint8_t> ReadWholeFile(const std::wstring& path, std::size_t limit, const std::string& what)
{
    toolkit::UniqueFileHandle file = OpenForReading(path, what);
    return ReadAll(file.Get(), limit, what);
}

// Which file a handle reads, whatever name opened it: "a.bmp", "./a.bmp"
// and "A.BMP" are one file on Windows and are decoded once.
using FileIdentity = std::tuple<DWORD, DWORD, DWORD>;

bool IdentityOf(HANDLE file, FileIdentity& identity)
{
    BY_HANDLE_FILE_INFORMATION info{};
    // Some file systems (network shares) give no file index: no identity.
    if (!::GetFileInformationByHandle(file, &info) || (info.nFileIndexHigh == 0 && info.nFileIndexLow == 0)) return false;
    identity = FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return true;
}

int FirstLineNaming(const SkinDocument& doc, const std::wstring& file)
{
    for (const ImageDef& image : doc.images)
        for (const LayerDef& layer : image.layers)
            if (layer.bitmapFile == file) return image.line;
    return 1;
}

std::shared_ptr<const SkinResources> Build(const std::string& text, const std::wstring& fileName)
{
    const std::string shownName = fileName.empty() ? std::string("(skin text)") : Narrow(fileName);
    SkinDocument doc = ParseSkin(text, shownName);
    std::map<std::wstring, std::shared_ptr<const SkinPixels>> bitmaps;
    std::map<FileIdentity, std::shared_ptr<const SkinPixels>> decoded;
    const std::wstring folder = FolderOf(fileName);
    for (const std::wstring& file : doc.BitmapFiles()) {
        const int line = FirstLineNaming(doc, file);
        try {
            toolkit::UniqueFileHandle handle = OpenForReading(folder + file, Narrow(file));
            FileIdentity identity;
            const bool known = IdentityOf(handle.Get(), identity);
            if (known) {
                auto seen = decoded.find(identity);
                if (seen != decoded.end()) {
                    bitmaps.emplace(file, seen->second);
                    continue;
                }
            }
            auto pixels = std::make_shared<const SkinPixels>(DecodePicture(ReadAll(handle.Get(), limits::kMaxImageFileBytes, Narrow(file))));
            if (known) decoded.emplace(identity, pixels);
            bitmaps.emplace(file, std::move(pixels));
        } catch (const SkinError& e) {
            std::string message = e.what();
            if (message.compare(0, Narrow(file).size(), Narrow(file)) != 0) message = Narrow(file) + ": " + message;
            throw FileError(shownName, line, message);
        }
    }
    // A bitmap part must lie inside its bitmap.
    for (const ImageDef& image : doc.images) {
        for (const LayerDef& layer : image.layers) {
            if (layer.bitmapFile.empty() || !layer.hasBitmapPart) continue;
            const SkinPixels& p = *bitmaps.at(layer.bitmapFile);
            const auto& part = layer.bitmapPart;
            if (part[0] + part[2] > p.width || part[1] + part[3] > p.height)
                throw FileError(shownName, image.line,
                                "image \"" + image.name + "\": the bitmap part lies outside " + Narrow(layer.bitmapFile) + " (" +
                                    std::to_string(p.width) + " x " + std::to_string(p.height) + ")");
        }
    }
    return std::make_shared<SkinResources>(std::move(doc), std::move(bitmaps), fileName);
}

}  // namespace

SkinResources::SkinResources(SkinDocument document, std::map<std::wstring, std::shared_ptr<const SkinPixels>> bitmaps,
                             const std::wstring& fileName)
    : document_(std::move(document)), bitmaps_(std::move(bitmaps))
{
    std::size_t slash = fileName.find_last_of(L"\\/");
    baseName_ = slash == std::wstring::npos ? fileName : fileName.substr(slash + 1);
    const int dpi = ScreenDpi();
    for (const FontDef& def : document_.fonts) {
        toolkit::UniqueFont font = MakeFont(def, dpi);
        if (!font) throw SkinError("the font \"" + def.name + "\" cannot be created");
        fonts_.emplace(def.name, std::move(font));
    }
    defaultFont_ = MakeFont(FontDef{}, dpi);
    if (!defaultFont_) throw SkinError("the default font cannot be created");
}

const ImageDef* SkinResources::Section(const std::wstring& name) const
{
    std::string key = WideToUtf8(name);
    for (;;) {
        if (const ImageDef* image = document_.FindImage(key)) return image;
        bool stripped = false;
        for (const char* suffix : {"_pressed", "_checked"}) {
            const std::size_t n = std::char_traits<char>::length(suffix);
            if (key.size() > n && key.compare(key.size() - n, n, suffix) == 0) {
                key.resize(key.size() - n);
                stripped = true;
                break;
            }
        }
        if (!stripped) return nullptr;
    }
}

const SkinPixels* SkinResources::Bitmap(const std::wstring& file) const
{
    auto it = bitmaps_.find(file);
    return it == bitmaps_.end() ? nullptr : it->second.get();
}

HFONT SkinResources::Font(const std::string& name) const
{
    auto it = fonts_.find(name);
    return it == fonts_.end() ? defaultFont_.Get() : it->second.Get();
}

SkinError OutOfMemoryError(const std::wstring& fileName)
{
    return SkinError((fileName.empty() ? std::string("(skin text)") : Narrow(fileName)) + ": there is not enough memory to load the skin");
}

std::shared_ptr<const SkinResources> LoadSkinFile(const std::wstring& path)
{
    if (path.empty()) throw SkinError("no skin file was given");
    try {
        const std::string shown = Narrow(path);
        DWORD attributes = ::GetFileAttributesA(shown.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) throw SkinError(shown + ": the skin file does not exist");
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) throw SkinError(shown + ": this is a folder, not a skin file");
        std::vector<uint8_t> bytes = ReadWholeFile(path, limits::kMaxFileBytes, shown);
        return Build(std::string(bytes.begin(), bytes.end()), path);
    } catch (const std::bad_alloc&) {
        // What was built so far is gone by now, so the message has room.
        throw OutOfMemoryError(path);
    }
}

std::shared_ptr<const SkinResources> LoadSkinText(const std::string& text, const std::wstring& fileName)
{
    try {
        return Build(text, fileName);
    } catch (const std::bad_alloc&) {
        throw OutOfMemoryError(fileName);
    }
}

}  // namespace skin
