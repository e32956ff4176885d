#pragma once
// Reads the version resource of an executable file, so that the About page can
// show the program's own version.
#include <windows.h>
#include <winver.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TdfsVersionInfoResource;

// One four-part version number a.b.c.d: a and b in MostSignificant (high and
// low word), c and d in LeastSignificant.
class TVersionNumberInformation {
public:
    bool Valid = false;
    uint32_t MostSignificant = 0;
    uint32_t LeastSignificant = 0;

    // a, b, c or d for index 0..3; 0 when the number is not valid or the index
    // is out of range.
    uint16_t GetPart(int index) const;
    void Clear();
    void Set(uint32_t mostSignificant, uint32_t leastSignificant);
};

// A view of the fixed part of the reader's loaded resource.
class TFixedFileVersionInfo {
public:
    explicit TFixedFileVersionInfo(const TdfsVersionInfoResource& owner) : Owner(owner) {}

    const TdfsVersionInfoResource& Owner;
    // Points into the owner's data block; nullptr while nothing is loaded.
    const VS_FIXEDFILEINFO* FixedInfo = nullptr;
};

class TdfsVersionInfoResource {
public:
    TdfsVersionInfoResource();
    virtual ~TdfsVersionInfoResource();
    TdfsVersionInfoResource(const TdfsVersionInfoResource&) = delete;
    TdfsVersionInfoResource& operator=(const TdfsVersionInfoResource&) = delete;

    // Names the file and reads its version resource at once.
    void SetFileName(const std::string& fileName);
    virtual std::string GetFileName() const;

    const TFixedFileVersionInfo& Fixed() const { return *fixed_; }
    const TVersionNumberInformation& FileVersion() const { return *fileVersion_; }
    const TVersionNumberInformation& ProductVersion() const { return *productVersion_; }
    // Size of the loaded resource block in bytes; 0 when none is loaded.
    DWORD DataSize() const { return dataSize_; }

protected:
    // Loads the resource of GetFileName(). A subclass may read another source
    // and hand its block to TakeData.
    virtual void ReadVersionInfo();
    // Drops what was loaded: no data, both numbers not valid.
    void ClearData();
    // Adopts a whole version resource block and reads its fixed part. A block
    // without a sound fixed part counts as no version information.
    void TakeData(std::vector<uint8_t> data);

private:
    std::vector<uint8_t> data_;
    DWORD dataSize_ = 0;
    std::string fileName_;
    std::unique_ptr<TFixedFileVersionInfo> fixed_;
    std::unique_ptr<TVersionNumberInformation> fileVersion_;
    std::unique_ptr<TVersionNumberInformation> productVersion_;
};

// "5" for file version 5.0.x.x, "5.12" for 5.12.x.x, "0" for a file without
// version information.
std::string VersionTextOfFile(const std::string& fileName);
// The same for the running program's own executable.
std::string ProgramVersionText();
