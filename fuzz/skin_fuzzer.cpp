// libFuzzer entry for the skin file reader and the BMP decoder, built natively
// (Linux, clang) with AddressSanitizer and UndefinedBehaviorSanitizer by
// scripts/fuzz.sh. Inputs starting with "BM" go to the BMP decoder, inputs
// with the PNG signature to the PNG header reader (the pixels are the
// system's decoder's, which this build does not have), all others to the
// skin parser. Every input must give a result or a SkinError; a skin
// error must name the file and a line; a document stays within the limits.
// Anything else stops the run.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "skin/SkinBitmap.h"
#include "skin/SkinError.h"
#include "skin/SkinLimits.h"
#include "skin/SkinParser.h"

namespace {

// "fuzz.skn(<digits>): <text>"
bool NamesFileAndLine(const std::string& message)
{
    const std::string prefix = "fuzz.skn(";
    if (message.compare(0, prefix.size(), prefix) != 0) return false;
    std::size_t i = prefix.size();
    std::size_t digits = 0;
    while (i < message.size() && message[i] >= '0' && message[i] <= '9') ++i, ++digits;
    return digits > 0 && message.compare(i, 3, "): ") == 0 && message.size() > i + 3;
}

// Touches what a loaded document offers, so that its contents are read too,
// and checks that it stays as small as the limits promise: a based image
// must not multiply a small input into a huge document.
void Walk(const skin::SkinDocument& doc)
{
    volatile long sum = 0;
    const auto files = doc.BitmapFiles();
    if (files.size() > static_cast<std::size_t>(skin::limits::kMaxImageFiles)) std::abort();
    for (const auto& file : files) sum = sum + static_cast<long>(file.size());
    std::size_t layers = 0, chars = 0;
    for (const auto& image : doc.images) {
        layers += image.layers.size();
        for (const auto& layer : image.layers) chars += layer.text.size() + layer.bitmapFile.size() + layer.font.size();
    }
    if (layers > static_cast<std::size_t>(skin::limits::kMaxLayersInAll) || chars > skin::limits::kMaxLayerCharsInAll) {
        std::fprintf(stderr, "document beyond the limits: %zu layers, %zu characters\n", layers, chars);
        std::abort();
    }
    const skin::ElementDef* window = doc.DefaultWindow();
    if (!window) std::abort();  // a valid skin always has a window
    std::vector<const skin::ElementDef*> pending{window};
    while (!pending.empty()) {
        const skin::ElementDef* e = pending.back();
        pending.pop_back();
        sum = sum + e->box.left.Resolve(640) + e->box.right.Resolve(640) + e->box.top.Resolve(480) + e->box.bottom.Resolve(480);
        for (const auto& child : e->children) pending.push_back(&child);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        try {
            skin::SkinPixels pixels = skin::DecodeBmp(std::vector<uint8_t>(data, data + size));
            if (pixels.pixels.size() != static_cast<std::size_t>(pixels.width) * static_cast<std::size_t>(pixels.height)) std::abort();
        } catch (const skin::SkinError&) {
        }
        return 0;
    }
    const std::vector<uint8_t> bytes(data, data + size);
    if (skin::IsPng(bytes)) {
        try {
            const skin::PictureSize picture = skin::ReadPngSize(bytes);
            // Within the limits, or refused.
            if (picture.width <= 0 || picture.height <= 0 || !skin::OversizeReason(picture.width, picture.height).empty())
                std::abort();
        } catch (const skin::SkinError&) {
        }
        return 0;
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        Walk(skin::ParseSkin(text, "fuzz.skn"));
    } catch (const skin::SkinError& e) {
        if (!NamesFileAndLine(e.what())) {
            std::fprintf(stderr, "skin error without file and line: %s\n", e.what());
            std::abort();
        }
    }
    return 0;
}
