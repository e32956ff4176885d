#pragma once
// Bounds on everything a skin file can ask for, so that a hostile or broken
// file costs bounded time and memory. Checked by the parser and the image
// decoder; exceeding one is an error with the line that did it.
#include <cstddef>
#include <cstdint>

namespace skin::limits {

constexpr std::size_t kMaxFileBytes = 1024 * 1024;
constexpr std::size_t kMaxStringChars = 4096;
constexpr int kMaxNesting = 24;
constexpr int kMaxBlocks = 20000;
constexpr int kMaxValuesPerProperty = 256;
constexpr int kMaxCoordinate = 32767;
constexpr int kMaxWindowSize = 8192;
constexpr int kMaxAnimationSteps = 256;
constexpr int kMaxStepMs = 600000;
constexpr int kMaxLayers = 64;
// All images together, counting what a based image copies from its base, so
// that "image b : a" lines cannot multiply a small file into a huge document.
constexpr int kMaxLayersInAll = 20000;
constexpr std::size_t kMaxLayerCharsInAll = 1024 * 1024;  // texts, bitmap and font names
constexpr int kMaxRadius = 4096;
constexpr int kMaxFontPoints = 200;

constexpr std::size_t kMaxImageFileBytes = 64 * 1024 * 1024;
constexpr int kMaxImageSide = 8192;
constexpr std::int64_t kMaxImagePixels = 16 * 1024 * 1024;
constexpr int kMaxImageFiles = 256;

}  // namespace skin::limits
