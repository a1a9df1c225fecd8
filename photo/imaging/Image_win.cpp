#include "imaging/Image_win.h"

#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "imaging/ColourProfile.h"
#include "imaging/Exif.h"
#include "imaging/ImageInternal.h"
#include "imaging/Palette.h"
#include "imaging/Pixels.h"
#include "win/Com.h"
#include "win/ScopedHandle.h"

namespace {

// Files larger than this are not pictures we can hold anyway.
const LONGLONG kMaxFileBytes = 1LL << 30;

HRESULT LastErrorResult() {
    DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

HRESULT MakeFactory(ComPtr<IWICImagingFactory>& factory) {
    // The first factory class, which Windows 7 has as well.
    return CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                            factory.OutVoid());
}

// The scope of this thread, if it has one.
thread_local ImgThreadScope* threadScope = nullptr;

// COM and a factory for one load or save: the thread's own when it keeps
// them, else made for the call (the apartment then lives as long as this).
class CallImaging {
public:
    CallImaging() {
        if (threadScope) {
            result_ = threadScope->Factory(factory_.Out());
        } else {
            com_.reset(new (std::nothrow) ComApartment);
            result_ = MakeFactory(factory_);
        }
    }
    HRESULT Result() const { return result_; }
    IWICImagingFactory* operator->() const { return factory_.Get(); }
    IWICImagingFactory* Get() const { return factory_.Get(); }

private:
    std::unique_ptr<ComApartment> com_;  // declared first: outlives the factory
    ComPtr<IWICImagingFactory> factory_;
    HRESULT result_ = E_FAIL;
};

bool ToWide(const char* ansi, std::wstring& wide) {
    if (!ansi) {
        return false;
    }
    int length = MultiByteToWideChar(CP_ACP, 0, ansi, -1, nullptr, 0);
    if (length <= 0) {
        return false;
    }
    wide.resize(size_t(length));
    MultiByteToWideChar(CP_ACP, 0, ansi, -1, &wide[0], length);
    wide.resize(size_t(length - 1));
    return true;
}

HRESULT ReadWholeFile(const wchar_t* path, std::vector<uint8_t>& bytes) {
    KernelHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return LastErrorResult();
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size)) {
        return LastErrorResult();
    }
    if (size.QuadPart == 0) {
        return ImgErrBadImage;
    }
    if (size.QuadPart > kMaxFileBytes) {
        return ImgErrSizeOutOfRange;
    }
    try {
        bytes.resize(size_t(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return ImgErrOutOfMemory;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, 1u << 24));
        DWORD read = 0;
        if (!ReadFile(file.Get(), bytes.data() + done, chunk, &read, nullptr)) {
            return LastErrorResult();
        }
        if (read == 0) {
            return ImgErrBadImage;  // the file shrank under us
        }
        done += read;
    }
    return S_OK;
}

// A source of the frame's pixels in sRGB when the frame carries a colour
// profile of another space; none when it carries none or sRGB's, or when the
// platform cannot convert (the pixels then load as they are). `opaque`
// frames come out as 24-bit BGR, others as 32-bit BGRA.
ComPtr<IWICColorTransform> SrgbTransform(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, bool opaque) {
    ComPtr<IWICColorTransform> none;
    UINT count = 0;
    // Some decoders cannot report contexts at all (WINCODEC_ERR_UNSUPPORTEDOPERATION).
    if (FAILED(frame->GetColorContexts(0, nullptr, &count)) || count == 0 || count > 16) {
        return none;
    }
    std::vector<ComPtr<IWICColorContext>> contexts(count);
    std::vector<IWICColorContext*> raw(count);
    for (UINT i = 0; i < count; ++i) {
        if (FAILED(factory->CreateColorContext(contexts[i].Out()))) {
            return none;
        }
        raw[i] = contexts[i].Get();
    }
    UINT got = 0;
    if (FAILED(frame->GetColorContexts(count, raw.data(), &got))) {
        return none;
    }
    IWICColorContext* profile = nullptr;
    for (UINT i = 0; i < got && !profile; ++i) {
        WICColorContextType type;
        if (SUCCEEDED(raw[i]->GetType(&type)) && type == WICColorContextProfile) {
            profile = raw[i];
        }
    }
    UINT bytes = 0;
    if (!profile || FAILED(profile->GetProfileBytes(0, nullptr, &bytes)) || bytes == 0) {
        return none;
    }
    std::vector<BYTE> data(bytes);
    if (FAILED(profile->GetProfileBytes(bytes, data.data(), &bytes)) || IccProfileIsSrgb(data.data(), bytes)) {
        return none;
    }
    ComPtr<IWICColorContext> srgb;
    ComPtr<IWICColorTransform> transform;
    if (FAILED(factory->CreateColorContext(srgb.Out())) || FAILED(srgb->InitializeFromExifColorSpace(1)) ||
        FAILED(factory->CreateColorTransformer(transform.Out())) ||
        FAILED(transform->Initialize(frame, profile, srgb.Get(),
                                     opaque ? GUID_WICPixelFormat24bppBGR : GUID_WICPixelFormat32bppBGRA))) {
        return none;
    }
    return transform;
}

// Decodes the frame into `pixels`, composing any transparency over white.
// Pixels in 24-bit BGR are decoded row by row straight into their place; any
// other format goes through a converter in bands, so a large picture never
// needs a second full copy.
HRESULT DecodeFrame(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, bool opaque, PixelImage& pixels) {
    UINT width = 0, height = 0;
    HRESULT hr = frame->GetSize(&width, &height);
    if (FAILED(hr)) {
        return hr;
    }
    if (!SizeAllowed(width, height)) {
        return ImgErrSizeOutOfRange;
    }
    ComPtr<IWICColorTransform> transform = SrgbTransform(factory, frame, opaque);
    IWICBitmapSource* source = frame;
    if (transform) {
        source = transform.Get();
    }
    WICPixelFormatGUID format;
    hr = source->GetPixelFormat(&format);
    if (FAILED(hr)) {
        return hr;
    }
    bool direct = IsEqualGUID(format, GUID_WICPixelFormat24bppBGR);
    ComPtr<IWICFormatConverter> converter;
    if (!direct) {
        hr = factory->CreateFormatConverter(converter.Out());
        if (SUCCEEDED(hr)) {
            hr = converter->Initialize(source, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                       WICBitmapPaletteTypeCustom);
        }
        if (FAILED(hr)) {
            return hr;
        }
        source = converter.Get();
    }
    if (uint32_t error = AllocatePixels(pixels, int(width), int(height))) {
        return HRESULT(error);
    }
    if (direct) {
        // Our rows are stored bottom-up, the decoder's top-down: one row at a
        // time, the order decoders read their data in.
        const UINT rowBytes = width * 3;
        for (UINT y = 0; y < height; ++y) {
            WICRect rect = {0, INT(y), INT(width), 1};
            hr = source->CopyPixels(&rect, rowBytes, rowBytes, pixels.DisplayRow(int(y)));
            if (FAILED(hr)) {
                return hr;
            }
        }
        return S_OK;
    }
    const UINT sourceStride = width * 4;
    const UINT bandRows = std::max<UINT>(1, std::min<UINT>(height, (8u << 20) / sourceStride));
    std::unique_ptr<BYTE[]> band(new (std::nothrow) BYTE[size_t(sourceStride) * bandRows]);
    if (!band) {
        return ImgErrOutOfMemory;
    }
    for (UINT top = 0; top < height; top += bandRows) {
        UINT rows = std::min(bandRows, height - top);
        WICRect rect = {0, INT(top), INT(width), INT(rows)};
        hr = source->CopyPixels(&rect, sourceStride, sourceStride * rows, band.get());
        if (FAILED(hr)) {
            return hr;
        }
        for (UINT r = 0; r < rows; ++r) {
            const BYTE* from = band.get() + size_t(r) * sourceStride;
            uint8_t* to = pixels.DisplayRow(int(top + r));
            // Premultiplied: over white, a colour byte becomes c + (255 - alpha).
            for (UINT x = 0; x < width; ++x, from += 4, to += 3) {
                BYTE clear = BYTE(255 - from[3]);
                to[0] = BYTE(std::min(255, from[0] + clear));
                to[1] = BYTE(std::min(255, from[1] + clear));
                to[2] = BYTE(std::min(255, from[2] + clear));
            }
        }
    }
    return S_OK;
}

HRESULT Load(const wchar_t* path, PixelImage& pixels, std::vector<uint8_t>* shootingData) {
    std::vector<uint8_t> bytes;
    HRESULT hr = ReadWholeFile(path, bytes);
    if (FAILED(hr)) {
        return hr;
    }
    CallImaging factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    hr = factory.Result();
    if (SUCCEEDED(hr)) {
        hr = factory->CreateStream(stream.Out());
    }
    if (SUCCEEDED(hr)) {
        hr = stream->InitializeFromMemory(bytes.data(), DWORD(bytes.size()));
    }
    if (SUCCEEDED(hr)) {
        hr = factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.Out());
    }
    if (FAILED(hr)) {
        return hr;
    }
    GUID container;
    hr = decoder->GetContainerFormat(&container);
    if (FAILED(hr)) {
        return hr;
    }
    bool jpeg = IsEqualGUID(container, GUID_ContainerFormatJpeg);
    if (!jpeg && !IsEqualGUID(container, GUID_ContainerFormatBmp) && !IsEqualGUID(container, GUID_ContainerFormatPng) &&
        !IsEqualGUID(container, GUID_ContainerFormatGif)) {
        return ImgErrUnknownFormat;
    }
    if (jpeg && !JpegIsComplete(bytes.data(), bytes.size())) {
        return ImgErrBadImage;
    }
    hr = decoder->GetFrame(0, frame.Out());
    if (SUCCEEDED(hr)) {
        hr = DecodeFrame(factory.Get(), frame.Get(), jpeg, pixels);
    }
    if (FAILED(hr)) {
        return hr;
    }
    if (jpeg) {
        int orientation = JpegOrientation(bytes.data(), std::min(bytes.size(), kExifProbeBytes));
        if (uint32_t error = ApplyOrientation(pixels, orientation)) {
            return HRESULT(error);
        }
        if (shootingData) {
            *shootingData = KeptExif(bytes.data(), std::min(bytes.size(), kExifProbeBytes));
        }
    }
    return S_OK;
}

// A new empty file beside `target` that no one else uses.
HRESULT MakeTemporaryFile(const std::wstring& target, std::wstring& temporary) {
    size_t cut = target.find_last_of(L"\\/");
    std::wstring directory = cut == std::wstring::npos ? std::wstring() : target.substr(0, cut + 1);
    static LONG counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t name[64];
        wsprintfW(name, L"~tdr%lx-%lx.tmp", GetCurrentProcessId(), InterlockedIncrement(&counter));
        temporary = directory + name;
        HANDLE file =
            CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return S_OK;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
            return LastErrorResult();
        }
    }
    return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
}

enum class Codec { Jpeg, Bmp, Png, Gif };

// Encodes `pixels` into `stream`.
HRESULT Encode(IWICImagingFactory* factory, IStream* stream, const PixelImage& pixels, Codec codec, int quality) {
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    ComPtr<IWICPalette> palette;
    static const GUID* const kContainers[] = {&GUID_ContainerFormatJpeg, &GUID_ContainerFormatBmp,
                                              &GUID_ContainerFormatPng, &GUID_ContainerFormatGif};
    HRESULT hr = factory->CreateEncoder(*kContainers[int(codec)], nullptr, encoder.Out());
    if (SUCCEEDED(hr)) {
        hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    }
    if (SUCCEEDED(hr)) {
        hr = encoder->CreateNewFrame(frame.Out(), options.Out());
    }
    if (SUCCEEDED(hr) && codec == Codec::Jpeg) {
        hr = ImgWriteJpegOptions(options.Get(), quality);
    }
    if (SUCCEEDED(hr)) {
        hr = frame->Initialize(options.Get());
    }
    if (SUCCEEDED(hr)) {
        hr = frame->SetSize(UINT(pixels.width), UINT(pixels.height));
    }
    if (FAILED(hr)) {
        return hr;
    }
    WICPixelFormatGUID wanted = codec == Codec::Gif ? GUID_WICPixelFormat8bppIndexed : GUID_WICPixelFormat24bppBGR;
    WICPixelFormatGUID format = wanted;
    hr = frame->SetPixelFormat(&format);
    if (FAILED(hr)) {
        return hr;
    }
    if (!IsEqualGUID(format, wanted)) {
        return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    }
    if (codec == Codec::Gif) {
        IndexedPixels indexed;
        if (uint32_t error = QuantizePixels(pixels, indexed)) {
            return HRESULT(error);
        }
        std::vector<WICColor> colours;
        for (uint32_t colour : indexed.palette) {
            colours.push_back(0xFF000000u | colour);
        }
        hr = factory->CreatePalette(palette.Out());
        if (SUCCEEDED(hr)) {
            hr = palette->InitializeCustom(colours.data(), UINT(colours.size()));
        }
        if (SUCCEEDED(hr)) {
            hr = frame->SetPalette(palette.Get());
        }
        if (SUCCEEDED(hr)) {
            UINT stride = UINT(pixels.width);
            hr = frame->WritePixels(UINT(pixels.height), stride, stride * UINT(pixels.height), indexed.indices.data());
        }
    } else {
        // Our rows are stored bottom-up; the encoder takes them top-down.
        UINT stride = UINT(pixels.stride);
        for (int y = 0; y < pixels.height && SUCCEEDED(hr); ++y) {
            hr = frame->WritePixels(1, stride, stride, const_cast<BYTE*>(pixels.DisplayRow(y)));
        }
    }
    if (SUCCEEDED(hr)) {
        hr = frame->Commit();
    }
    if (SUCCEEDED(hr)) {
        hr = encoder->Commit();
    }
    if (SUCCEEDED(hr)) {
        hr = stream->Commit(STGC_DEFAULT);
    }
    return hr;
}

HRESULT EncodeToFile(const wchar_t* path, const PixelImage& pixels, Codec codec, int quality) {
    CallImaging factory;
    ComPtr<IWICStream> stream;
    HRESULT hr = factory.Result();
    if (SUCCEEDED(hr)) {
        hr = factory->CreateStream(stream.Out());
    }
    if (SUCCEEDED(hr)) {
        hr = stream->InitializeFromFilename(path, GENERIC_WRITE);
    }
    if (SUCCEEDED(hr)) {
        hr = Encode(factory.Get(), stream.Get(), pixels, codec, quality);
    }
    return hr;
}

// A JPEG with `exif` as its EXIF block. The codec's own metadata writer is
// not relied on (Wine's has none): the JPEG is made in memory and the block
// set in before it is written.
HRESULT EncodeJpegWithExif(const wchar_t* path,
                           const PixelImage& pixels,
                           int quality,
                           const std::vector<uint8_t>& exif) {
    CallImaging factory;
    ComPtr<IStream> memory;
    HRESULT hr = factory.Result();
    if (SUCCEEDED(hr)) {
        hr = CreateStreamOnHGlobal(nullptr, TRUE, memory.Out());
    }
    if (SUCCEEDED(hr)) {
        hr = Encode(factory.Get(), memory.Get(), pixels, Codec::Jpeg, quality);
    }
    HGLOBAL global = nullptr;
    STATSTG stat = {};
    if (SUCCEEDED(hr)) {
        hr = GetHGlobalFromStream(memory.Get(), &global);
    }
    if (SUCCEEDED(hr)) {
        hr = memory->Stat(&stat, STATFLAG_NONAME);
    }
    if (FAILED(hr)) {
        return hr;
    }
    std::vector<uint8_t> file;
    {
        const void* encoded = GlobalLock(global);
        if (!encoded) {
            return LastErrorResult();
        }
        bool inserted = false;
        try {
            inserted = InsertExif(static_cast<const uint8_t*>(encoded), size_t(stat.cbSize.QuadPart), exif, file);
            if (!inserted) {
                // Not a block we can place: the picture goes out without it.
                const uint8_t* bytes = static_cast<const uint8_t*>(encoded);
                file.assign(bytes, bytes + stat.cbSize.QuadPart);
            }
        } catch (const std::bad_alloc&) {
            hr = ImgErrOutOfMemory;
        }
        GlobalUnlock(global);
        if (FAILED(hr)) {
            return hr;
        }
    }
    KernelHandle out(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!out || !WriteFile(out.Get(), file.data(), DWORD(file.size()), &written, nullptr) || written != file.size() ||
        !FlushFileBuffers(out.Get())) {
        return LastErrorResult();
    }
    return S_OK;
}

int Save(const wchar_t* path, ImgHandle image, Codec codec, int quality, const std::vector<uint8_t>* exif = nullptr) {
    if (!path || !*path || !image) {
        return ImgFail(ImgErrInvalidArg);
    }
    // Refuse a read-only or directory target before writing anything.
    DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        return ImgFail(uint32_t(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)));
    }
    std::wstring temporary;
    HRESULT hr = MakeTemporaryFile(path, temporary);
    if (FAILED(hr)) {
        return ImgFail(uint32_t(hr));
    }
    if (codec == Codec::Jpeg && exif && !exif->empty()) {
        hr = EncodeJpegWithExif(temporary.c_str(), *image->pixels, quality, *exif);
    } else {
        hr = EncodeToFile(temporary.c_str(), *image->pixels, codec, quality);
    }
    if (SUCCEEDED(hr) && !MoveFileExW(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        hr = LastErrorResult();
    }
    if (FAILED(hr)) {
        DeleteFileW(temporary.c_str());
        return ImgFail(uint32_t(hr));
    }
    return 1;
}

int SaveAnsi(const char* path, ImgHandle image, Codec codec, int quality) {
    std::wstring wide;
    if (!ToWide(path, wide)) {
        return ImgFail(ImgErrInvalidArg);
    }
    return Save(wide.c_str(), image, codec, quality);
}

}  // namespace

ImgThreadScope::ImgThreadScope() : outer_(threadScope) {
    threadScope = this;
}

ImgThreadScope::~ImgThreadScope() {
    threadScope = outer_;
}

HRESULT ImgThreadScope::Factory(IWICImagingFactory** factory) {
    if (!factory_) {
        HRESULT hr = MakeFactory(factory_);
        if (FAILED(hr)) {
            return hr;
        }
    }
    factory_->AddRef();
    *factory = factory_.Get();
    return S_OK;
}

HRESULT ImgWriteJpegOptions(IPropertyBag2* options, int quality) {
    if (!options) {
        return E_POINTER;
    }
    PROPBAG2 option = {};
    option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R4;
    value.fltVal = float(std::clamp(quality, 1, 100)) / 100.0f;
    return options->Write(1, &option, &value);
}

ImgHandle ImgLoadW(const wchar_t* path, std::vector<uint8_t>* shootingData) {
    if (shootingData) {
        shootingData->clear();
    }
    if (!path || !*path) {
        ImgFail(uint32_t(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)));
        return nullptr;
    }
    PixelImage pixels;
    HRESULT hr = Load(path, pixels, shootingData);
    if (FAILED(hr)) {
        ImgFail(uint32_t(hr));
        return nullptr;
    }
    return ImgAdopt(std::move(pixels));
}

ImgHandle ImgLoad(const char* path) {
    std::wstring wide;
    if (!ToWide(path, wide)) {
        ImgFail(ImgErrInvalidArg);
        return nullptr;
    }
    return ImgLoadW(wide.c_str());
}

int ImgSaveJpeg(const char* path, ImgHandle image, int quality, int) {
    return SaveAnsi(path, image, Codec::Jpeg, quality);
}
int ImgSaveBmp(const char* path, ImgHandle image) {
    return SaveAnsi(path, image, Codec::Bmp, 0);
}
int ImgSavePng(const char* path, ImgHandle image, int) {
    return SaveAnsi(path, image, Codec::Png, 0);
}
int ImgSaveGif(const char* path, ImgHandle image, int) {
    return SaveAnsi(path, image, Codec::Gif, 0);
}
int ImgSaveJpegW(const wchar_t* path, ImgHandle image, int quality, const std::vector<uint8_t>* shootingData) {
    return Save(path, image, Codec::Jpeg, quality, shootingData);
}
int ImgSaveBmpW(const wchar_t* path, ImgHandle image) {
    return Save(path, image, Codec::Bmp, 0);
}
int ImgSavePngW(const wchar_t* path, ImgHandle image) {
    return Save(path, image, Codec::Png, 0);
}
int ImgSaveGifW(const wchar_t* path, ImgHandle image) {
    return Save(path, image, Codec::Gif, 0);
}
