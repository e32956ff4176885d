#include "help/uVersionInfo.h"

#include <cstdio>

#include "settings/uProgramFiles.h"

uint16_t TVersionNumberInformation::GetPart(int index) const
{
    if (!Valid) return 0;
    switch (index) {
    case 0: return HIWORD(MostSignificant);
    case 1: return LOWORD(MostSignificant);
    case 2: return HIWORD(LeastSignificant);
    case 3: return LOWORD(LeastSignificant);
    default: return 0;
    }
}

void TVersionNumberInformation::Clear()
{
    Valid = false;
    MostSignificant = 0;
    LeastSignificant = 0;
}

void TVersionNumberInformation::Set(uint32_t mostSignificant, uint32_t leastSignificant)
{
    Valid = true;
    MostSignificant = mostSignificant;
    LeastSignificant = leastSignificant;
}

TdfsVersionInfoResource::TdfsVersionInfoResource()
    : fixed_(std::make_unique<TFixedFileVersionInfo>(*this)),
      fileVersion_(std::make_unique<TVersionNumberInformation>()),
      productVersion_(std::make_unique<TVersionNumberInformation>())
{
}

TdfsVersionInfoResource::~TdfsVersionInfoResource() = default;

void TdfsVersionInfoResource::SetFileName(const std::string& fileName)
{
    fileName_ = fileName;
    ReadVersionInfo();
}

std::string TdfsVersionInfoResource::GetFileName() const
{
    return fileName_;
}

void TdfsVersionInfoResource::ClearData()
{
    fixed_->FixedInfo = nullptr;
    data_.clear();
    data_.shrink_to_fit();
    dataSize_ = 0;
    fileVersion_->Clear();
    productVersion_->Clear();
}

void TdfsVersionInfoResource::ReadVersionInfo()
{
    ClearData();
    const std::string fileName = GetFileName();
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(fileName.c_str(), &ignored);
    if (size == 0) return;
    std::vector<uint8_t> data(size);
    // A file that changed between the two calls, or one the system cannot
    // read after all, counts as a file without version information.
    if (!::GetFileVersionInfoA(fileName.c_str(), 0, size, data.data())) return;
    TakeData(std::move(data));
}

void TdfsVersionInfoResource::TakeData(std::vector<uint8_t> data)
{
    ClearData();
    // Header, the key "VS_VERSION_INFO" and padding come before the fixed
    // part; a shorter block cannot hold one (and is not handed to the system).
    constexpr size_t FixedPartOffset = 40;
    if (data.size() < FixedPartOffset + sizeof(VS_FIXEDFILEINFO)) return;
    void* fixed = nullptr;
    UINT fixedSize = 0;
    // VerQueryValueA also answers for a block without a fixed part (nullptr or
    // a short length); only a whole, signed VS_FIXEDFILEINFO is trusted.
    if (!::VerQueryValueA(data.data(), "\\", &fixed, &fixedSize) || fixed == nullptr ||
        fixedSize < sizeof(VS_FIXEDFILEINFO))
        return;
    const uintptr_t blockStart = reinterpret_cast<uintptr_t>(data.data());
    const uintptr_t fixedStart = reinterpret_cast<uintptr_t>(fixed);
    if (fixedStart < blockStart || fixedStart - blockStart > data.size() - sizeof(VS_FIXEDFILEINFO)) return;
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    if (info->dwSignature != VS_FFI_SIGNATURE) return;

    data_ = std::move(data);
    dataSize_ = static_cast<DWORD>(data_.size());
    // Moving the vector keeps its buffer, so the pointer still points into it.
    fixed_->FixedInfo = info;
    fileVersion_->Set(info->dwFileVersionMS, info->dwFileVersionLS);
    productVersion_->Set(info->dwProductVersionMS, info->dwProductVersionLS);
}

std::string VersionTextOfFile(const std::string& fileName)
{
    TdfsVersionInfoResource reader;
    reader.SetFileName(fileName);
    const TVersionNumberInformation& version = reader.FileVersion();
    char text[32];
    if (version.GetPart(1) != 0)
        std::snprintf(text, sizeof(text), "%d.%d", int(version.GetPart(0)), int(version.GetPart(1)));
    else
        std::snprintf(text, sizeof(text), "%d", int(version.GetPart(0)));
    return text;
}

std::string ProgramVersionText()
{
    return VersionTextOfFile(ProgramFileName());
}
