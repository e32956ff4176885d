#include "settings/uRegistry.h"

#include "tests/settings/RegTestKey.h"
#include "tests/support/SavedRegistry.h"
#include "toolkit/Error.h"
#include "toolkit/Handles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

const char* const TestSubKey = "Software\\KalvoraTests\\Registry";

// Stores a value of any type and size straight through the API, so reads can
// be tried against what other programs (or a hostile user) might leave.
void PutRaw(const std::string& subKey, const std::string& name, DWORD type, const void* data, DWORD size)
{
    toolkit::UniqueRegKey key;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                key.Put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExA(key.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
}

struct RawValue {
    DWORD type = REG_NONE;
    std::string data;
    bool found = false;
};

RawValue GetRaw(const std::string& subKey, const std::string& name)
{
    RawValue value;
    toolkit::UniqueRegKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS)
        return value;
    char buffer[4096];
    DWORD size = sizeof(buffer);
    if (::RegQueryValueExA(key.Get(), name.c_str(), nullptr, &value.type, reinterpret_cast<BYTE*>(buffer),
                           &size) != ERROR_SUCCESS)
        return value;
    value.data.assign(buffer, size);
    value.found = true;
    return value;
}

std::string ErrorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const toolkit::Error& error) {
        return error.what();
    }
    return "(no error)";
}

class Registry : public ::testing::Test {
protected:
    RegTestKey key{TestSubKey};
    const std::string path = key.Path();
};

TEST_F(Registry, SplitsAtTheFirstBackslashAndMatchesTheRootAfterUpperCasing)
{
    struct Case { const char* path; HKEY root; const char* subKey; };
    const Case cases[] = {
        {"HKEY_CURRENT_USER\\Software\\Orlandek", HKEY_CURRENT_USER, "Software\\Orlandek"},
        {"hkey_current_user\\Software", HKEY_CURRENT_USER, "Software"},
        {"Hkey_Local_Machine\\Software", HKEY_LOCAL_MACHINE, "Software"},
        {"HKEY_CLASSES_ROOT\\.txt", HKEY_CLASSES_ROOT, ".txt"},
        {"HKEY_DYN_DATA\\PerfStats", HKEY_DYN_DATA, "PerfStats"},
        {"HKEY_USERS\\.DEFAULT", HKEY_USERS, ".DEFAULT"},
        {"HKEY_CURRENT_CONFIG\\System", HKEY_CURRENT_CONFIG, "System"},
        {"HKEY_CURRENT_USER", HKEY_CURRENT_USER, ""},
        {"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER, ""},
        {"HKEY_USERS\\a\\\\b\\", HKEY_USERS, "a\\\\b\\"},  // the subkey is passed on unchanged
    };
    for (const Case& c : cases) {
        const TRegPath split = SplitRegPath(c.path);
        EXPECT_EQ(split.Root, c.root) << c.path;
        EXPECT_EQ(split.SubKey, c.subKey) << c.path;
    }
}

TEST_F(Registry, EveryFunctionRefusesAnUnknownRootWithItsUpperCasedName)
{
    struct Case { const char* path; const char* message; };
    const Case roots[] = {
        {"HKCU\\Software\\KalvoraTests", "Unknown Root Registry Key: HKCU"},
        {"hkcu\\Software", "Unknown Root Registry Key: HKCU"},
        {"HKEY_CURRENT_USERS\\Software", "Unknown Root Registry Key: HKEY_CURRENT_USERS"},
        {"Software\\KalvoraTests", "Unknown Root Registry Key: SOFTWARE"},
        {"", "Unknown Root Registry Key: "},
        {"\\HKEY_CURRENT_USER", "Unknown Root Registry Key: "},
    };
    using Call = std::function<void(const std::string&)>;
    const Call calls[] = {
        [](const std::string& p) { SplitRegPath(p); },
        [](const std::string& p) { ReadRegInteger(p, "v", 0); },
        [](const std::string& p) { WriteRegInteger(p, "v", 0); },
        [](const std::string& p) { ReadRegBool(p, "v", false); },
        [](const std::string& p) { WriteRegBool(p, "v", false); },
        [](const std::string& p) { ReadRegString(p, "v", ""); },
        [](const std::string& p) { WriteRegString(p, "v", ""); },
        [](const std::string& p) { DeleteRegValue(p, "v"); },
        [](const std::string& p) { DeleteRegKey(p); },
        [](const std::string& p) { ListRegValueNames(p); },
        [](const std::string& p) { RegKeyExists(p); },
    };
    for (const Case& root : roots)
        for (size_t i = 0; i < std::size(calls); ++i)
            EXPECT_EQ(ErrorOf([&] { calls[i](root.path); }), root.message) << root.path << ", function " << i;
}

TEST_F(Registry, ALowerCaseRootReachesTheSameKey)
{
    const std::string lower = "hkey_current_user\\" + key.SubKey();
    WriteRegInteger(lower, "Number", 42);
    EXPECT_EQ(ReadRegInteger(path, "Number", 0), 42);
    WriteRegString(path, "Text", "same key");
    EXPECT_EQ(ReadRegString(lower, "Text", ""), "same key");
}

TEST_F(Registry, APathWithoutBackslashIsTheRootKeyItself)
{
    const std::string name = "KalvoraTestsRootValue";
    const SavedRegistryValue gone(HKEY_CURRENT_USER, "", name);  // absent again whatever happens
    WriteRegInteger("HKEY_CURRENT_USER", name, 77);
    EXPECT_EQ(GetRaw("", name).found, true);
    EXPECT_EQ(ReadRegInteger("hkey_current_user", name, 0), 77);
    const auto names = ListRegValueNames("HKEY_CURRENT_USER");
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end());
    DeleteRegValue("HKEY_CURRENT_USER", name);
    EXPECT_FALSE(GetRaw("", name).found);
    EXPECT_TRUE(RegKeyExists("HKEY_CURRENT_USER"));
    EXPECT_NO_THROW(DeleteRegKey("HKEY_CURRENT_USER")) << "a root is never deleted, and that is no error";
}

TEST_F(Registry, ReadsAcceptOnlyTheirOwnTypeAndSize)
{
    const std::string text500(500, 'x'), text501(501, 'y'), text600(600, 'z');
    const DWORD two = 2, one = 1, zero = 0, minusOne = 0xFFFFFFFF;
    const unsigned long long qword = 5;
    const unsigned short shortDword = 5;
    struct Case {
        const char* what;
        DWORD type;
        std::string data;
        int asInteger;      // default 1234
        int asBool;         // with default true / false: 1, 0, or -1 for "the default"
        const char* asText; // nullptr: the default
    };
    auto bytes = [](const void* p, size_t n) { return std::string(static_cast<const char*>(p), n); };
    const Case cases[] = {
        {"DWORD 2", REG_DWORD, bytes(&two, 4), 2, -1, nullptr},
        {"DWORD 1", REG_DWORD, bytes(&one, 4), 1, 1, nullptr},
        {"DWORD 0", REG_DWORD, bytes(&zero, 4), 0, 0, nullptr},
        {"DWORD -1", REG_DWORD, bytes(&minusOne, 4), -1, -1, nullptr},
        {"DWORD of two bytes", REG_DWORD, bytes(&shortDword, 2), 1234, -1, nullptr},
        {"QWORD 5", REG_QWORD, bytes(&qword, 8), 1234, -1, nullptr},
        {"BINARY of four bytes", REG_BINARY, bytes(&one, 4), 1234, -1, nullptr},
        {"SZ digit 5", REG_SZ, std::string("5", 2), 1234, -1, "5"},
        {"SZ of 500", REG_SZ, text500 + '\0', 1234, -1, text500.c_str()},
        {"SZ of 501", REG_SZ, text501 + '\0', 1234, -1, nullptr},
        {"SZ of 600", REG_SZ, text600 + '\0', 1234, -1, nullptr},
        {"SZ without its zero", REG_SZ, "abc", 1234, -1, "abc"},
        {"SZ empty", REG_SZ, std::string(1, '\0'), 1234, -1, ""},
        {"EXPAND_SZ", REG_EXPAND_SZ, std::string("%TEMP%", 7), 1234, -1, nullptr},
        {"MULTI_SZ", REG_MULTI_SZ, std::string("a\0b\0\0", 5), 1234, -1, nullptr},
    };
    for (const Case& c : cases) {
        const std::string name = c.what;
        PutRaw(key.SubKey(), name, c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
        EXPECT_EQ(ReadRegInteger(path, name, 1234), c.asInteger) << c.what;
        EXPECT_EQ(ReadRegBool(path, name, true), c.asBool == -1 ? true : c.asBool == 1) << c.what;
        EXPECT_EQ(ReadRegBool(path, name, false), c.asBool == -1 ? false : c.asBool == 1) << c.what;
        EXPECT_EQ(ReadRegString(path, name, "default"), c.asText ? c.asText : "default") << c.what;
    }
}

TEST_F(Registry, MissingKeysAndValuesReadAsTheDefault)
{
    WriteRegInteger(path, "Present", 1);
    for (const std::string& where : {path, path + "\\Missing"}) {
        EXPECT_EQ(ReadRegInteger(where, "Absent", -7), -7) << where;
        EXPECT_TRUE(ReadRegBool(where, "Absent", true)) << where;
        EXPECT_EQ(ReadRegString(where, "Absent", "none"), "none") << where;
    }
    EXPECT_FALSE(RegKeyExists(path + "\\Missing")) << "reading must not create the key";
}

TEST_F(Registry, WritesCreateEveryKeyOnTheWayAndStoreExactTypes)
{
    const std::string deep = path + "\\One\\Two\\Three";
    ASSERT_FALSE(RegKeyExists(path));
    WriteRegInteger(deep, "Integer", -123456);
    WriteRegBool(deep, "True", true);
    WriteRegBool(deep, "False", false);
    WriteRegString(deep, "Text", "C:\\Program Files\\Kalvora\\default.skn");
    for (const char* level : {"", "\\One", "\\One\\Two", "\\One\\Two\\Three"})
        EXPECT_TRUE(RegKeyExists(path + level)) << level;

    const std::string deepSub = key.SubKey() + "\\One\\Two\\Three";
    const DWORD minus = static_cast<DWORD>(-123456), one = 1, zero = 0;
    struct Case { const char* name; DWORD type; std::string data; };
    const Case cases[] = {
        {"Integer", REG_DWORD, std::string(reinterpret_cast<const char*>(&minus), 4)},
        {"True", REG_DWORD, std::string(reinterpret_cast<const char*>(&one), 4)},
        {"False", REG_DWORD, std::string(reinterpret_cast<const char*>(&zero), 4)},
        {"Text", REG_SZ, std::string("C:\\Program Files\\Kalvora\\default.skn") + '\0'},  // zero included
    };
    for (const Case& c : cases) {
        const RawValue raw = GetRaw(deepSub, c.name);
        EXPECT_TRUE(raw.found) << c.name;
        EXPECT_EQ(raw.type, c.type) << c.name;
        EXPECT_EQ(raw.data, c.data) << c.name;
    }
    EXPECT_EQ(ReadRegInteger(deep, "Integer", 0), -123456);
    EXPECT_TRUE(ReadRegBool(deep, "True", false));
    EXPECT_FALSE(ReadRegBool(deep, "False", true));

    WriteRegInteger(deep, "Text", 5);  // a write replaces the value, type included
    EXPECT_EQ(ReadRegInteger(deep, "Text", 0), 5);
    EXPECT_EQ(ReadRegString(deep, "Text", "gone"), "gone");
}

TEST_F(Registry, WritesTheRegistryRefusesRaiseTheirMessages)
{
    // Key name components are limited to 255 characters, value names to 16383.
    const std::string longKey = path + "\\" + std::string(300, 'k');
    const std::string longName(20000, 'n');
    EXPECT_EQ(ErrorOf([&] { WriteRegInteger(longKey, "v", 1); }), "Cannot create Key: " + longKey);
    EXPECT_EQ(ErrorOf([&] { WriteRegBool(longKey, "v", true); }), "Cannot create Key: " + longKey);
    EXPECT_EQ(ErrorOf([&] { WriteRegString(longKey, "v", "t"); }), "Cannot create Key: " + longKey);
    const std::string lower = "hkey_current_user\\" + key.SubKey();
    EXPECT_EQ(ErrorOf([&] { WriteRegInteger(lower, longName, 1); }),
              "Cannot create Entry: " + longName + " in Key: " + lower);
    EXPECT_EQ(ErrorOf([&] { WriteRegBool(path, longName, true); }),
              "Cannot create Entry: " + longName + " in Key: " + path);
    EXPECT_EQ(ErrorOf([&] { WriteRegString(path, longName, "t"); }),
              "Cannot create Entry: " + longName + " in Key: " + path);
    EXPECT_TRUE(ListRegValueNames(path).empty());
}

TEST_F(Registry, DeletingWhatDoesNotExistIsQuiet)
{
    EXPECT_NO_THROW(DeleteRegValue(path + "\\Missing", "Value"));
    EXPECT_NO_THROW(DeleteRegKey(path + "\\Missing"));
    WriteRegInteger(path, "Other", 1);
    EXPECT_NO_THROW(DeleteRegValue(path, "Missing"));
    EXPECT_FALSE(RegKeyExists(path + "\\Missing"));
    EXPECT_EQ(ListRegValueNames(path), std::vector<std::string>{"Other"});
}

TEST_F(Registry, DeletesValuesAndLeafKeys)
{
    WriteRegInteger(path + "\\Leaf", "Value", 1);
    WriteRegInteger(path + "\\Parent\\Child", "Value", 1);
    DeleteRegValue(path + "\\Leaf", "Value");
    EXPECT_EQ(ReadRegInteger(path + "\\Leaf", "Value", 0), 0);
    DeleteRegKey(path + "\\Leaf");
    EXPECT_FALSE(RegKeyExists(path + "\\Leaf"));
    DeleteRegKey(path + "\\Parent");  // still has a subkey: stays
    EXPECT_TRUE(RegKeyExists(path + "\\Parent\\Child"));
}

TEST_F(Registry, ListsValueNamesAndEmptyForAMissingKey)
{
    EXPECT_TRUE(ListRegValueNames(path + "\\Missing").empty());
    EXPECT_FALSE(RegKeyExists(path + "\\Missing"));

    WriteRegInteger(path, "Display A", 1);
    WriteRegString(path, "Run A", "x");
    const std::string longName(600, 'L');  // beyond the 500-character name buffer
    WriteRegInteger(path, longName, 1);
    WriteRegString(path, "Free A", "y");
    WriteRegInteger(path + "\\Sub", "Hidden", 1);  // values of subkeys are not listed
    std::vector<std::string> names = ListRegValueNames(path);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Display A", "Free A", "Run A"}));
}

// The guards that keep the user's own key and autostart value for the tests
// that must use them: whatever the test does in between, exactly what was
// there comes back, and what was not there stays away.
TEST_F(Registry, TheSavedKeyGuardPutsBackExactlyWhatWasThere)
{
    const std::string sub = key.SubKey() + "\\Kept";
    const DWORD number = 7;
    const char binary[] = {1, 0, 2, 0};
    PutRaw(sub, "", REG_SZ, "default", 8);  // the key's unnamed value
    PutRaw(sub, "Number", REG_DWORD, &number, 4);
    PutRaw(sub, "Binary", REG_BINARY, binary, 4);
    PutRaw(sub, "Empty", REG_SZ, "", 0);
    PutRaw(sub + "\\Child\\Grandchild", "Text", REG_EXPAND_SZ, "%TEMP%", 7);
    PutRaw(sub + "\\Empty child", "x", REG_DWORD, &number, 4);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, (sub + "\\Empty child").c_str(), "x");
    RegKeyCopy before;
    ASSERT_TRUE(ReadRegKeyCopy(HKEY_CURRENT_USER, sub, before));
    ASSERT_EQ(before.Values.size(), 4u);
    ASSERT_EQ(before.Keys.size(), 2u);
    {
        const SavedRegistryKey guard(HKEY_CURRENT_USER, sub);
        WriteRegString("HKEY_CURRENT_USER\\" + sub, "Number", "now text");
        DeleteRegValue("HKEY_CURRENT_USER\\" + sub, "Binary");
        WriteRegInteger("HKEY_CURRENT_USER\\" + sub + "\\New", "Added", 1);
        DeleteRegTree(HKEY_CURRENT_USER, sub + "\\Child");
    }
    RegKeyCopy after;
    ASSERT_TRUE(ReadRegKeyCopy(HKEY_CURRENT_USER, sub, after));
    EXPECT_TRUE(after == before);
    EXPECT_FALSE(RegKeyExists("HKEY_CURRENT_USER\\" + sub + "\\New"));
    EXPECT_EQ(GetRaw(sub + "\\Child\\Grandchild", "Text").type, static_cast<DWORD>(REG_EXPAND_SZ));

    // A key that was missing, with a missing key on the way to it: neither stays.
    const std::string missing = key.SubKey() + "\\Missing\\Deeper";
    {
        const SavedRegistryKey guard(HKEY_CURRENT_USER, missing);
        WriteRegInteger("HKEY_CURRENT_USER\\" + missing, "Created", 1);
        ASSERT_TRUE(RegKeyExists("HKEY_CURRENT_USER\\" + missing));
    }
    EXPECT_FALSE(RegKeyExists(path + "\\Missing"));
    EXPECT_TRUE(RegKeyExists(path));
}

TEST_F(Registry, TheSavedValueGuardPutsBackTheValueOrItsAbsence)
{
    const std::string sub = key.SubKey();
    const char bytes[] = {'a', 0, 'b', 0, 0};
    PutRaw(sub, "Kept", REG_MULTI_SZ, bytes, 5);
    {
        const SavedRegistryValue kept(HKEY_CURRENT_USER, sub, "Kept");
        const SavedRegistryValue absent(HKEY_CURRENT_USER, sub, "Absent");
        WriteRegInteger(path, "Kept", 5);
        WriteRegString(path, "Absent", "written by a test");
    }
    const RawValue kept = GetRaw(sub, "Kept");
    EXPECT_TRUE(kept.found);
    EXPECT_EQ(kept.type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(kept.data, std::string(bytes, 5));
    EXPECT_FALSE(GetRaw(sub, "Absent").found);
    {
        const SavedRegistryValue kept(HKEY_CURRENT_USER, sub, "Kept");
        DeleteRegValue(path, "Kept");
    }
    EXPECT_EQ(GetRaw(sub, "Kept").data, std::string(bytes, 5)) << "a deleted value comes back";
}

}  // namespace
