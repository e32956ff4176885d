#include "skin/SkinPng.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <string>

#include "skin/SkinError.h"
#include "skin/SkinLimits.h"

namespace skin {
namespace {

// The one owner of a COM interface pointer.
template <typename T>
class ComOwner {
public:
    ComOwner() = default;
    ~ComOwner()
    {
        if (p_) p_->Release();
    }
    ComOwner(const ComOwner&) = delete;
    ComOwner& operator=(const ComOwner&) = delete;
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    // For the functions that hand out a new interface; empty before.
    T** Out() { return &p_; }
    void** OutVoid() { return reinterpret_cast<void**>(&p_); }

private:
    T* p_ = nullptr;
};

// COM on this thread for as long as the decoding takes. A thread that has
// COM already in the other apartment model keeps it; WIC works in both.
class ComScope {
public:
    ComScope()
    {
        const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        started_ = SUCCEEDED(hr);
        usable_ = started_ || hr == RPC_E_CHANGED_MODE;
    }
    ~ComScope()
    {
        if (started_) ::CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool Usable() const { return usable_; }

private:
    bool started_ = false;
    bool usable_ = false;
};

void Check(HRESULT hr)
{
    if (FAILED(hr)) throw SkinError("the PNG file is broken or cut short");
}

}  // namespace

SkinPixels DecodePng(const std::vector<uint8_t>& bytes)
{
    const PictureSize header = ReadPngSize(bytes);

    ComScope com;
    if (!com.Usable()) throw SkinError("PNG pictures cannot be read on this system (COM is not available)");
    ComOwner<IWICImagingFactory> factory;
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  factory.OutVoid())))
        throw SkinError("PNG pictures cannot be read on this system (no imaging component)");

    ComOwner<IWICStream> stream;
    Check(factory->CreateStream(stream.Out()));
    // WIC only reads the memory; the size fits a DWORD as the file is at most 64 MB.
    Check(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())));
    // The PNG decoder alone: whatever else the bytes may look like, no
    // other codec of the system gets them.
    ComOwner<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, decoder.Out())))
        throw SkinError("PNG pictures cannot be read on this system (no PNG decoder)");
    Check(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand));
    ComOwner<IWICBitmapFrameDecode> frame;
    Check(decoder->GetFrame(0, frame.Out()));

    UINT width = 0, height = 0;
    Check(frame->GetSize(&width, &height));
    if (width == 0 || height == 0) throw SkinError("the PNG file has no pixels");
    if (std::string reason = OversizeReason(width, height); !reason.empty()) throw SkinError(reason);
    if (static_cast<int>(width) != header.width || static_cast<int>(height) != header.height)
        throw SkinError("the PNG file is broken or cut short");

    // Straight (not premultiplied) alpha in the byte order B G R A, which
    // is 0xAARRGGBB read as a little-endian number.
    ComOwner<IWICFormatConverter> converter;
    Check(factory->CreateFormatConverter(converter.Out()));
    Check(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                WICBitmapPaletteTypeCustom));

    SkinPixels out;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.pixels.resize(std::size_t(width) * std::size_t(height));
    const UINT stride = width * 4;
    const UINT total = stride * height;  // at most 64 MB by the limits
    Check(converter->CopyPixels(nullptr, stride, total, reinterpret_cast<BYTE*>(out.pixels.data())));
    return out;
}

SkinPixels DecodePicture(const std::vector<uint8_t>& bytes)
{
    if (IsPng(bytes)) return DecodePng(bytes);
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return DecodeBmp(bytes);
    throw SkinError("not a BMP or PNG file");
}

}  // namespace skin
