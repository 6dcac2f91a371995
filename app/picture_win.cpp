#include "app/picture_win.h"

#include <wincodec.h>
#include <wrl/client.h>

namespace vok {

using Microsoft::WRL::ComPtr;

HBITMAP LoadPicture(int id, int width, int height) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(id), RT_RCDATA);
  if (!resource) return nullptr;
  auto* bytes = static_cast<BYTE*>(LockResource(LoadResource(instance, resource)));
  const DWORD size = SizeofResource(instance, resource);

  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  ComPtr<IWICBitmapScaler> scaler;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&factory))) ||
      FAILED(factory->CreateStream(&stream)) || FAILED(stream->InitializeFromMemory(bytes, size)) ||
      FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              &decoder)) ||
      FAILED(decoder->GetFrame(0, &frame)) || FAILED(factory->CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom)) ||
      FAILED(factory->CreateBitmapScaler(&scaler)) ||
      FAILED(scaler->Initialize(converter.Get(), static_cast<UINT>(width),
                                static_cast<UINT>(height), WICBitmapInterpolationModeFant))) {
    return nullptr;
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return nullptr;
  const UINT stride = static_cast<UINT>(width) * 4;
  if (FAILED(scaler->CopyPixels(nullptr, stride, stride * static_cast<UINT>(height),
                                static_cast<BYTE*>(bits)))) {
    DeleteObject(bitmap);
    return nullptr;
  }
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const BYTE background[3] = {GetBValue(face), GetGValue(face), GetRValue(face)};
  auto* pixel = static_cast<BYTE*>(bits);
  for (int i = 0; i < width * height; ++i, pixel += 4) {
    for (int c = 0; c < 3; ++c)
      pixel[c] = static_cast<BYTE>(pixel[c] + background[c] * (255 - pixel[3]) / 255);
    pixel[3] = 255;
  }
  return bitmap;
}

}  // namespace vok
