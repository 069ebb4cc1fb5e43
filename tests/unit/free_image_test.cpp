// The decoder plug-in, loaded as the viewer loads it: from the install folder, through its one export.
#include <windows.h>
#include <shlwapi.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/test_files.h"

using Microsoft::WRL::ComPtr;

namespace {

using LoadImageFn = IUnknown*(__stdcall*)(const wchar_t*, IWICImagingFactory*);
using Bgra = std::array<BYTE, 4>;

constexpr Bgra kBlack{0, 0, 0, 255}, kWhite{255, 255, 255, 255}, kRed{0, 0, 255, 255}, kGreen{0, 255, 0, 255},
    kBlue{255, 0, 0, 255}, kYellow{0, 255, 255, 255};

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

std::string Be16(int v) { return Bytes({v >> 8 & 255, v & 255}); }
std::string Be32(int v) { return Be16(v >> 16) + Be16(v & 0xFFFF); }

std::string Tga(int type, int width, int height, int bits, int descriptor, const std::string& data) {
  return Bytes({0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0, width & 255, width >> 8, height & 255, height >> 8, bits,
                descriptor}) +
         data;
}

// Bottom row first, as TGA stores it unless told otherwise: blue, white; then red, green.
std::string Tga24() { return Tga(2, 2, 2, 24, 0, Bytes({255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 255, 0})); }

// Top row first; a run of four crosses the row end, then two literal pixels.
std::string TgaRle32() {
  return Tga(10, 3, 2, 32, 0x28, Bytes({0x83, 10, 20, 30, 128, 0x01, 1, 2, 3, 255, 4, 5, 6, 0}));
}

std::string HdrHeader(int width, int height) {
  return "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y " + std::to_string(height) + " +X " + std::to_string(width) + "\n";
}

std::string Psd(int channels, int width, int height, int compression, const std::string& planes) {
  return "8BPS" + Be16(1) + std::string(6, '\0') + Be16(channels) + Be32(height) + Be32(width) + Be16(8) + Be16(3) +
         Be32(0) + Be32(0) + Be32(0) + Be16(compression) + planes;
}

// One plane after another: red, green, blue.
std::string PsdRaw() { return Psd(3, 2, 1, 0, Bytes({255, 10, 20, 20, 0, 30})); }

std::string Pic(int width, int height, const std::string& packets) {
  return Bytes({0x53, 0x80, 0xF6, 0x34}) + std::string(84, '\0') + "PICT" + Be16(width) + Be16(height) +
         std::string(8, '\0') + packets;
}

// Uncompressed RGB, then a mixed run-length alpha of two literal values.
std::string PicRgbAlpha() {
  return Pic(2, 1, Bytes({1, 8, 0, 0xE0, 0, 8, 2, 0x10, 255, 0, 0, 10, 20, 30, 0x01, 255, 128}));
}

std::wstring PluginPath() {
  wchar_t folder[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, folder, MAX_PATH);
  ::PathRemoveFileSpecW(folder);
  return std::wstring(folder) + L"\\..\\dist\\FreeImage.dll";
}

class FreeImage : public ::testing::Test {
 protected:
  void SetUp() override {
    ::CoInitialize(nullptr);
    ASSERT_HRESULT_SUCCEEDED(
        ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory_)));
    // A copy of its own, so that no other holder of the plug-in keeps it loaded.
    const std::wstring copy = dir_.File(L"plugin.dll");
    ASSERT_TRUE(::CopyFileW(PluginPath().c_str(), copy.c_str(), FALSE));
    plugin_ = ::LoadLibraryW(copy.c_str());
    ASSERT_NE(plugin_, nullptr);
    load_ = reinterpret_cast<LoadImageFn>(reinterpret_cast<void*>(::GetProcAddress(plugin_, "load_image")));
    ASSERT_NE(load_, nullptr);
  }
  void TearDown() override {
    if (plugin_) ::FreeLibrary(plugin_);
    factory_.Reset();
    ::CoUninitialize();
  }

  // The plug-in goes by content, so every file gets the same neutral name.
  std::wstring Write(const std::string& bytes) {
    const std::wstring path = dir_.File(L"picture.bin");
    WriteTextFile(path, bytes);
    return path;
  }

  ComPtr<IWICBitmapSource> Load(const std::wstring& path) {
    // Adopted through its address: mingw's ComPtr::Attach adds a reference of its own.
    ComPtr<IUnknown> result;
    *result.GetAddressOf() = load_(path.c_str(), factory_.Get());
    ComPtr<IWICBitmapSource> source;
    if (result) {
      EXPECT_HRESULT_SUCCEEDED(result.As(&source));
    }
    return source;
  }

  TempDir dir_;
  ComPtr<IWICImagingFactory> factory_;
  HMODULE plugin_ = nullptr;
  LoadImageFn load_ = nullptr;
};

struct Probe {
  UINT x, y;
  Bgra bgra;
};

void ExpectPixels(IWICBitmapSource* source, UINT width, UINT height, const std::vector<Probe>& probes) {
  UINT w = 0, h = 0;
  ASSERT_HRESULT_SUCCEEDED(source->GetSize(&w, &h));
  ASSERT_EQ(w, width);
  ASSERT_EQ(h, height);
  WICPixelFormatGUID format{};
  ASSERT_HRESULT_SUCCEEDED(source->GetPixelFormat(&format));
  EXPECT_TRUE(IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA));
  std::vector<BYTE> pixels(w * h * 4);
  ASSERT_HRESULT_SUCCEEDED(source->CopyPixels(nullptr, w * 4, static_cast<UINT>(pixels.size()), pixels.data()));
  for (const Probe& p : probes) {
    const BYTE* at = &pixels[(p.y * w + p.x) * 4];
    EXPECT_EQ((Bgra{at[0], at[1], at[2], at[3]}), p.bgra) << "pixel " << p.x << "," << p.y;
  }
}

TEST_F(FreeImage, DecodesEachFormatTopRowFirst) {
  const std::string hdr_rle_scanline = Bytes({2, 2, 0, 8, 128 + 8, 128, 8, 0, 128, 0, 128, 0, 128, 0, 128,
                                              128 + 8, 0, 128 + 8, 129});
  const struct {
    const char* name;
    std::string bytes;
    UINT width, height;
    std::vector<Probe> probes;
  } cases[] = {
      {"TGA 24-bit, bottom-up", Tga24(), 2, 2, {{0, 0, kRed}, {1, 0, kGreen}, {0, 1, kBlue}, {1, 1, kWhite}}},
      {"TGA 32-bit RLE, alpha kept straight",
       TgaRle32(),
       3,
       2,
       {{0, 0, {10, 20, 30, 128}}, {0, 1, {10, 20, 30, 128}}, {1, 1, {1, 2, 3, 255}}, {2, 1, {4, 5, 6, 0}}}},
      {"P1, digits with and without spaces",
       "P1\n# ones are black\n3 2\n101\n0 1 0\n",
       3,
       2,
       {{0, 0, kBlack}, {1, 0, kWhite}, {2, 0, kBlack}, {0, 1, kWhite}, {1, 1, kBlack}}},
      {"P2, maxval 15 scaled",
       "P2\n2 2 # wide\n15\n0 15\n7 3\n",
       2,
       2,
       {{0, 0, kBlack}, {1, 0, kWhite}, {0, 1, {119, 119, 119, 255}}, {1, 1, {51, 51, 51, 255}}}},
      {"P3", "P3\n# rgb\n2 1\n255\n255 0 0   0 128 255\n", 2, 1, {{0, 0, kRed}, {1, 0, {255, 128, 0, 255}}}},
      {"P4, rows padded to bytes",
       "P4\n10 2\n" + Bytes({0x80, 0x40, 0x7F, 0xC0}),
       10,
       2,
       {{0, 0, kBlack}, {1, 0, kWhite}, {8, 0, kWhite}, {9, 0, kBlack}, {0, 1, kWhite}, {8, 1, kBlack}}},
      {"P5, 16-bit big-endian samples",
       "P5\n2 1\n1000\n" + Bytes({0x03, 0xE8, 0x01, 0xF4}),
       2,
       1,
       {{0, 0, kWhite}, {1, 0, {128, 128, 128, 255}}}},
      {"P6",
       "P6\n2 1\n255\n" + Bytes({1, 2, 3, 250, 251, 252}),
       2,
       1,
       {{0, 0, {3, 2, 1, 255}}, {1, 0, {252, 251, 250, 255}}}},
      {"HDR flat, above 1.0 clipped",
       HdrHeader(1, 2) + Bytes({128, 0, 0, 129, 0, 128, 0, 130}),
       1,
       2,
       {{0, 0, kRed}, {0, 1, kGreen}}},
      {"HDR run-length scanline",
       HdrHeader(8, 1) + hdr_rle_scanline,
       8,
       1,
       {{0, 0, kRed}, {1, 0, kYellow}, {6, 0, kRed}, {7, 0, kYellow}}},
      {"PSD raw composite", PsdRaw(), 2, 1, {{0, 0, {0, 20, 255, 255}}, {1, 0, {30, 20, 10, 255}}}},
      // Per plane: a literal pair; a no-op and a run of two; a literal pair. The row counts are not read.
      {"PSD run-length composite",
       Psd(3, 2, 1, 1, Bytes({0, 3, 0, 3, 0, 3, 0x01, 255, 10, 0x80, 0xFF, 20, 0x01, 0, 30})),
       2,
       1,
       {{0, 0, {0, 20, 255, 255}}, {1, 0, {30, 20, 10, 255}}}},
      {"PIC with alpha in a second packet", PicRgbAlpha(), 2, 1, {{0, 0, kRed}, {1, 0, {30, 20, 10, 128}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring path = Write(c.bytes);
    // Another program holding the file open without sharing writes must not stop the decoder.
    HANDLE held = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ComPtr<IWICBitmapSource> source = Load(path);
    ::CloseHandle(held);
    ASSERT_TRUE(source);
    ExpectPixels(source.Get(), c.width, c.height, c.probes);
    EXPECT_EQ(ReadTextFile(path), c.bytes);
  }
}

TEST_F(FreeImage, RefusesWhatItCannotDecode) {
  const std::string tga24 = Tga24(), tga_rle = TgaRle32(), psd = PsdRaw(), pic = PicRgbAlpha();
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty file", ""},
      {"text", "Just some notes, not a picture.\n"},
      {"TGA cut short", tga24.substr(0, tga24.size() - 4)},
      {"RLE TGA cut short", tga_rle.substr(0, tga_rle.size() - 4)},
      {"TGA beyond the pixel limit", Tga(2, 65535, 65535, 24, 0, std::string(64, '\0'))},
      {"PNM of width 0", "P6\n0 2\n255\n" + std::string(6, '\0')},
      {"PNM of 100000 x 100000", "P5\n100000 100000\n255\n" + std::string(64, '\0')},
      {"PNM size beyond 32 bits", "P5\n99999999999999999999 1\n255\n" + std::string(64, '\0')},
      {"PNM maxval 0", "P2\n1 1\n0\n0\n"},
      {"P1 with too few samples", "P1\n3 2\n1 0 1\n0 1\n"},
      {"P2 sample above maxval", "P2\n1 1\n15\n16\n"},
      {"P2 sample run into a word", "P2\n1 1\n255\n7x\n"},
      {"P5 sample above maxval", "P5\n1 1\n15\n" + Bytes({16})},
      {"P5 16-bit cut short", "P5\n2 1\n1000\n" + Bytes({0x03, 0xE8, 0x01})},
      {"HDR run-length scanline cut short", HdrHeader(8, 1) + Bytes({2, 2, 0, 8, 128 + 8, 128})},
      // Misread, the zero-byte line would not end the header, and the rest would pass for flat pixels.
      {"HDR header ended by a line starting with a zero byte, scanline cut short",
       "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n" + std::string(1, '\0') + "\n-Y 1 +X 8\n" +
           Bytes({2, 2, 0, 8, 2, '\n', '\n', 6, 'a', 'b', 'c', 'd', 'e', '\n', 136, 1, 136, 1}) +
           std::string(28, '\0')},
      {"HDR 8 wide written flat, cut short", HdrHeader(8, 1) + std::string(7 * 4, '\x40')},
      {"HDR beyond the pixel limit", HdrHeader(30000, 30000) + std::string(64, '\0')},
      {"PSD of zero size", Psd(3, 0, 0, 0, "")},
      {"PSD cut short", psd.substr(0, psd.size() - 1)},
      {"PSD of no channels", Psd(0, 16384, 16384, 0, "")},
      {"PIC cut short", pic.substr(0, pic.size() - 1)},
      {"PIC packet of no channels", Pic(16384, 16384, Bytes({0, 8, 0, 0, 0}))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(Load(Write(c.bytes)));
  }
  EXPECT_FALSE(Load(dir_.File(L"missing.tga")));
  EXPECT_FALSE(Load(dir_.path()));
}

TEST_F(FreeImage, PictureOutlivesThePlugin) {
  ComPtr<IWICBitmapSource> source = Load(Write(Tga24()));
  ASSERT_TRUE(source);
  ASSERT_TRUE(::FreeLibrary(plugin_));
  plugin_ = nullptr;
  // No module holds the plug-in's code any more.
  HMODULE owner = nullptr;
  const DWORD by_address = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  ASSERT_FALSE(::GetModuleHandleExW(by_address, reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(load_)), &owner));
  ExpectPixels(source.Get(), 2, 2, {{0, 0, kRed}, {1, 1, kWhite}});
  // The caller's one release frees it.
  EXPECT_EQ(source.Detach()->Release(), 0u);
}

}  // namespace
