#include "help/uHelpFileStreams.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <vector>

#include "toolkit/ComScope.h"

using Microsoft::WRL::ComPtr;

namespace help_storage {

// The help storage's own interface (itss.dll); only StgOpenStorage is
// called, the methods before it keep the table's layout. Declared outside
// the unnamed namespace: there the compiler may conclude that nothing
// overrides the methods and call the pure virtual ones.
const CLSID CLSID_ITStorageObject = {0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
const IID IID_ITStorageInterface = {0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};

struct IITStorageObject : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfile(const WCHAR* name, DWORD mode, DWORD reserved,
                                                       IStorage** storage) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfileOnILockBytes(ILockBytes* bytes, DWORD mode, DWORD reserved,
                                                                   IStorage** storage) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageFile(const WCHAR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageILockBytes(ILockBytes* bytes) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgOpenStorage(const WCHAR* name, IStorage* priority, DWORD mode,
                                                     SNB exclude, DWORD reserved, IStorage** storage) = 0;
};

}  // namespace help_storage

namespace {

using help_storage::CLSID_ITStorageObject;
using help_storage::IID_ITStorageInterface;
using help_storage::IITStorageObject;

std::wstring Wide(const std::string& text)
{
    if (text.empty()) return {};
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string ReadAtMost(IStream& stream, std::size_t maxBytes)
{
    std::string content;
    std::vector<char> chunk(64 * 1024);
    while (content.size() < maxBytes) {
        const std::size_t wanted = std::min(chunk.size(), maxBytes - content.size());
        ULONG read = 0;
        const HRESULT result = stream.Read(chunk.data(), static_cast<ULONG>(wanted), &read);
        if (FAILED(result) || read == 0) break;
        content.append(chunk.data(), std::min<std::size_t>(read, wanted));
    }
    return content;
}

}  // namespace

std::optional<std::string> ReadHelpFileStream(const std::string& helpFile, const std::string& streamPath,
                                              std::size_t maxBytes)
{
    const std::wstring fileName = Wide(helpFile);
    const std::wstring streamName = Wide(streamPath);
    if (fileName.empty() || streamName.empty()) return std::nullopt;

    toolkit::ComScope com;
    if (!com.Usable()) return std::nullopt;
    // Declared after the scope, so they are released while COM is still there.
    ComPtr<IITStorageObject> storageFactory;
    if (FAILED(::CoCreateInstance(CLSID_ITStorageObject, nullptr, CLSCTX_INPROC_SERVER, IID_ITStorageInterface,
                                  reinterpret_cast<void**>(storageFactory.GetAddressOf()))))
        return std::nullopt;
    ComPtr<IStorage> storage;
    if (FAILED(storageFactory->StgOpenStorage(fileName.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr,
                                              0, storage.GetAddressOf())) ||
        !storage)
        return std::nullopt;
    ComPtr<IStream> stream;
    if (FAILED(storage->OpenStream(streamName.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                   stream.GetAddressOf())) ||
        !stream)
        return std::nullopt;
    return ReadAtMost(*stream.Get(), maxBytes);
}
