// A skin load that runs out of memory, wherever that happens, ends as a
// SkinError and keeps the skin that was loaded before it.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "skin/TSkin.h"
#include "tests/skin/BmpBuilder.h"
#include "tests/skin/FailingAllocation.h"
#include "tests/skin/SkinTestFiles.h"

namespace {

using namespace skin;
using skintest::ErrorOf;

// A bit of everything a load builds: fonts, based images, a bitmap file,
// elements of each kind and an animation.
const char* kNewSkin = R"(
skin { name = "New" }
font title { size = 12; weight = bold }
image card { fill = #ffffff #e0e0e0 vertical; radius = 6; layer { text = "Card"; font = title } }
image card_hot : card { fill = #f0f0f0 }
image pic { bitmap = pic.bmp; bitmap-mode = nine 1 }
window New {
  size = 200 100
  panel page { rect = 0 0 right bottom; image = pic
    animation page_show { step = 0 5 0 0; step = 0 0 100 100 } }
  button ok { rect = 10 10 90 30; text = "OK"; normal = card; hover = card_hot }
  static label { rect = 10 40 190 60; text = "hello"; font = title }
  scrollbar bar { rect = 10 70 190 90; thumb = card }
}
)";

TEST(SkinMemory, LoadThatRunsOutOfMemoryAnywhereFailsAndKeepsTheLoadedSkin)
{
    skintest::TempFolder folder;
    skintest::BmpSpec spec;
    spec.width = 8;
    spec.height = 8;
    folder.Write("pic.bmp", skintest::MakeBmp(spec));
    folder.Write("new.skn", std::string(kNewSkin));
    const std::wstring path = folder.Path("new.skn");
    const std::string shownPath(path.begin(), path.end());
    const std::string text = kNewSkin;

    struct Loader {
        const char* how;
        std::function<void(TSkin&)> load;
        std::string expected;
    };
    const Loader loaders[] = {
        {"file", [&](TSkin& skin) { skin.LoadSkin(path); }, shownPath + ": there is not enough memory to load the skin"},
        {"text", [&](TSkin& skin) { skin.LoadSkinFromText(text, path); }, shownPath + ": there is not enough memory to load the skin"},
    };
    for (const Loader& loader : loaders) {
        TSkin skin;
        skin.LoadSkinFromText("window Old { static s { } }", L"old.skn");
        long failures = 0;
        for (long nth = 1;; ++nth) {
            bool ranOut = false;
            const std::string error = ErrorOf([&] {
                skintest::FailingAllocation failure(nth);
                struct Note {
                    const skintest::FailingAllocation& failure;
                    bool& ranOut;
                    ~Note() { ranOut = failure.Happened(); }
                } note{failure, ranOut};
                loader.load(skin);
            });
            if (!ranOut) {
                // The load needs fewer allocations than nth: every one has failed once.
                EXPECT_EQ(error, "(no error)") << loader.how;
                EXPECT_NE(skin.GetRootObject()->FindObject(L"New"), nullptr) << loader.how;
                break;
            }
            ++failures;
            ASSERT_EQ(error, loader.expected) << loader.how << ", allocation " << nth;
            ASSERT_NE(skin.GetRootObject()->FindObject(L"Old"), nullptr) << loader.how << ", allocation " << nth;
            ASSERT_EQ(skin.GetRootObject()->FindObject(L"New"), nullptr) << loader.how << ", allocation " << nth;
            ASSERT_LT(nth, 200000) << loader.how << ": a load that never ends";
        }
        EXPECT_GT(failures, 50) << loader.how << ": the load allocates, so it could run out";
    }
}

}  // namespace
