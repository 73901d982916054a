#include <windows.h>
// After windows.h, which they need.
#include <wincodec.h>
#include <wrl/client.h>

#include <new>

#include "base/text.h"
#include "tools/billora-bitmaps/screenshot.h"
#include "tools/billora-bitmaps/system.h"

// A locked or disconnected session has no screen to copy.
const char kNoScreenHint[] = "is the session locked or disconnected?";

static std::string WicProblem(HRESULT result) {
  return FormatText("not a readable PNG file (Windows Imaging Component error 0x%08lX)",
                    static_cast<unsigned long>(result));
}

// Through the Windows Imaging Component, which is part of every Windows:
// converted to 32-bit BGRA, which is 0xAARRGGBB in a little-endian word.
std::string DecodePng(const std::string& bytes, Bitmap* screen) {
  // COM stays initialised until the tool ends.
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  using Microsoft::WRL::ComPtr;
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  UINT width = 0, height = 0;
  HRESULT r = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                               IID_PPV_ARGS(&factory));
  if (FAILED(r))
    return FormatText("no Windows Imaging Component (error 0x%08lX)",
                      static_cast<unsigned long>(r));
  if (FAILED(r = factory->CreateStream(&stream)) ||
      FAILED(
          r = stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                                           static_cast<DWORD>(bytes.size()))) ||
      FAILED(r = factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, &decoder)) ||
      FAILED(r = decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)) ||
      FAILED(r = decoder->GetFrame(0, &frame)) || FAILED(r = frame->GetSize(&width, &height)))
    return WicProblem(r);
  if (width > kLargestSide || height > kLargestSide) return kTooLarge;
  if (FAILED(r = factory->CreateFormatConverter(&converter)) ||
      FAILED(r = converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA,
                                       WICBitmapDitherTypeNone, nullptr, 0.0,
                                       WICBitmapPaletteTypeCustom)))
    return WicProblem(r);
  try {
    screen->pixels.assign(size_t{width} * height, 0);
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
  // Row by row: one call's buffer size is a 32-bit count.
  const UINT stride = width * 4;
  for (UINT y = 0; y < height; ++y) {
    WICRect row{0, static_cast<INT>(y), static_cast<INT>(width), 1};
    BYTE* at = reinterpret_cast<BYTE*>(screen->pixels.data() + size_t{y} * width);
    if (FAILED(r = converter->CopyPixels(&row, stride, stride, at))) return WicProblem(r);
  }
  screen->width = width;
  screen->height = height;
  return {};
}
