#include "skin/SkinPng.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <string>

#include "skin/SkinError.h"
#include "skin/SkinLimits.h"
#include "toolkit/ComScope.h"

namespace skin {
namespace {

using Microsoft::WRL::ComPtr;

void Check(HRESULT hr)
{
    if (FAILED(hr)) throw SkinError("the PNG file is broken or cut short");
}

}  // namespace

SkinPixels DecodePng(const std::vector<uint8_t>& bytes)
{
    const PictureSize header = ReadPngSize(bytes);

    // COM for as long as the decoding takes; WIC works in both models.
    toolkit::ComScope com;
    if (!com.Usable()) throw SkinError("PNG pictures cannot be read on this system (COM is not available)");
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  reinterpret_cast<void**>(factory.GetAddressOf()))))
        throw SkinError("PNG pictures cannot be read on this system (no imaging component)");

    ComPtr<IWICStream> stream;
    Check(factory->CreateStream(stream.GetAddressOf()));
    // WIC only reads the memory; the size fits a DWORD as the file is at most 64 MB.
    Check(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())));
    // The PNG decoder alone: whatever else the bytes may look like, no
    // other codec of the system gets them.
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, decoder.GetAddressOf())))
        throw SkinError("PNG pictures cannot be read on this system (no PNG decoder)");
    Check(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand));
    ComPtr<IWICBitmapFrameDecode> frame;
    Check(decoder->GetFrame(0, frame.GetAddressOf()));

    UINT width = 0, height = 0;
    Check(frame->GetSize(&width, &height));
    if (width == 0 || height == 0) throw SkinError("the PNG file has no pixels");
    if (std::string reason = OversizeReason(width, height); !reason.empty()) throw SkinError(reason);
    if (static_cast<int>(width) != header.width || static_cast<int>(height) != header.height)
        throw SkinError("the PNG file is broken or cut short");

    // Straight (not premultiplied) alpha in the byte order B G R A, which
    // is 0xAARRGGBB read as a little-endian number.
    ComPtr<IWICFormatConverter> converter;
    Check(factory->CreateFormatConverter(converter.GetAddressOf()));
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
