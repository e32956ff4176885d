#include "help/uVersionInfo.h"
#include "settings/uProgramFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

std::string BesideTestProgram(const std::string& fileName)
{
    return ProgramFolder() + fileName;
}

struct VersionCase {
    const char* file;
    std::array<uint16_t, 4> parts;
    const char* text;
};

// The fixture DLLs carry product version 9.8.7.6, so a mix-up of file and
// product version shows.
const VersionCase Cases[] = {
    {"version_fixture_5_0_0_0.dll", {5, 0, 0, 0}, "5"},
    {"version_fixture_5_1_0_0.dll", {5, 1, 0, 0}, "5.1"},
    {"version_fixture_5_12_3_4.dll", {5, 12, 3, 4}, "5.12"},
};

TEST(VersionInfo, ReadsFileAndProductVersionOfFiles)
{
    for (const VersionCase& c : Cases) {
        SCOPED_TRACE(c.file);
        TdfsVersionInfoResource reader;
        reader.SetFileName(BesideTestProgram(c.file));
        EXPECT_EQ(reader.GetFileName(), BesideTestProgram(c.file));
        ASSERT_TRUE(reader.FileVersion().Valid);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(reader.FileVersion().GetPart(i), c.parts[i]) << "part " << i;
        ASSERT_TRUE(reader.ProductVersion().Valid);
        EXPECT_EQ(reader.ProductVersion().GetPart(0), 9);
        EXPECT_EQ(reader.ProductVersion().GetPart(3), 6);
        EXPECT_EQ(reader.FileVersion().GetPart(-1), 0);
        EXPECT_EQ(reader.FileVersion().GetPart(4), 0);
        ASSERT_NE(reader.Fixed().FixedInfo, nullptr);
        EXPECT_EQ(&reader.Fixed().Owner, &reader);
        EXPECT_GT(reader.DataSize(), sizeof(VS_FIXEDFILEINFO));
        EXPECT_EQ(VersionTextOfFile(BesideTestProgram(c.file)), c.text);
    }
}

TEST(VersionInfo, EmptyReaderHasNoNumbers)
{
    TdfsVersionInfoResource reader;
    EXPECT_FALSE(reader.FileVersion().Valid);
    EXPECT_FALSE(reader.ProductVersion().Valid);
    EXPECT_EQ(reader.Fixed().FixedInfo, nullptr);
    EXPECT_EQ(reader.DataSize(), 0u);
}

TEST(VersionInfo, FileWithoutVersionClearsEarlierData)
{
    TdfsVersionInfoResource reader;
    reader.SetFileName(BesideTestProgram("version_fixture_5_12_3_4.dll"));
    ASSERT_TRUE(reader.FileVersion().Valid);

    for (const char* file : {"version_fixture_none.dll", "no_such_file.dll"}) {
        SCOPED_TRACE(file);
        reader.SetFileName(BesideTestProgram(file));
        EXPECT_FALSE(reader.FileVersion().Valid);
        EXPECT_FALSE(reader.ProductVersion().Valid);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(reader.FileVersion().GetPart(i), 0);
        EXPECT_EQ(reader.Fixed().FixedInfo, nullptr);
        EXPECT_EQ(reader.DataSize(), 0u);
        EXPECT_EQ(VersionTextOfFile(BesideTestProgram(file)), "0");
    }
}

TEST(VersionInfo, ProgramCarriesVersionFive)
{
    EXPECT_EQ(ProgramVersionText(), "5");
}

// A reader fed from memory, for blocks no resource compiler would write.
class BlockReader : public TdfsVersionInfoResource {
public:
    std::vector<uint8_t> block;

protected:
    void ReadVersionInfo() override { TakeData(block); }
};

// A 32-bit version resource block: header, key, padding, fixed part.
std::vector<uint8_t> VersionBlock(uint16_t valueLength, DWORD signature)
{
    const wchar_t key[] = L"VS_VERSION_INFO";
    std::vector<uint8_t> block(40 + sizeof(VS_FIXEDFILEINFO), 0);
    const uint16_t header[3] = {uint16_t(block.size()), valueLength, 0};
    std::memcpy(block.data(), header, sizeof(header));
    for (size_t i = 0; i < 16; ++i) {
        block[6 + 2 * i] = uint8_t(key[i] & 0xFF);
        block[7 + 2 * i] = uint8_t(key[i] >> 8);
    }
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = signature;
    fixed.dwStrucVersion = 0x10000;
    fixed.dwFileVersionMS = MAKELONG(2, 1);
    fixed.dwFileVersionLS = MAKELONG(4, 3);
    fixed.dwProductVersionMS = MAKELONG(6, 5);
    fixed.dwProductVersionLS = MAKELONG(8, 7);
    std::memcpy(block.data() + 40, &fixed, sizeof(fixed));
    return block;
}

TEST(VersionInfo, TrustsOnlyAWholeSignedFixedPart)
{
    BlockReader reader;
    reader.block = VersionBlock(sizeof(VS_FIXEDFILEINFO), VS_FFI_SIGNATURE);
    reader.SetFileName("memory");
    ASSERT_TRUE(reader.FileVersion().Valid);
    EXPECT_EQ(reader.FileVersion().GetPart(0), 1);
    EXPECT_EQ(reader.FileVersion().GetPart(3), 4);
    EXPECT_EQ(reader.ProductVersion().GetPart(0), 5);
    EXPECT_EQ(reader.ProductVersion().GetPart(3), 8);

    struct BadBlock {
        const char* what;
        std::vector<uint8_t> block;
    };
    std::vector<uint8_t> truncated = VersionBlock(sizeof(VS_FIXEDFILEINFO), VS_FFI_SIGNATURE);
    truncated.resize(60);
    const BadBlock bad[] = {
        {"no fixed part", VersionBlock(0, VS_FFI_SIGNATURE)},
        {"short fixed part", VersionBlock(20, VS_FFI_SIGNATURE)},
        {"wrong signature", VersionBlock(sizeof(VS_FIXEDFILEINFO), 0x12345678)},
        {"block ends inside the fixed part", truncated},
        {"empty block", {}},
    };
    for (const BadBlock& b : bad) {
        SCOPED_TRACE(b.what);
        reader.block = VersionBlock(sizeof(VS_FIXEDFILEINFO), VS_FFI_SIGNATURE);
        reader.SetFileName("memory");
        ASSERT_TRUE(reader.FileVersion().Valid);
        reader.block = b.block;
        reader.SetFileName("memory");
        EXPECT_FALSE(reader.FileVersion().Valid);
        EXPECT_FALSE(reader.ProductVersion().Valid);
        EXPECT_EQ(reader.Fixed().FixedInfo, nullptr);
        EXPECT_EQ(reader.DataSize(), 0u);
    }
}

}  // namespace
