#include <gtest/gtest.h>
#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cmath>
#include <vector>

#include "app/zelto_app.h"
#include "basic_lib/auto_init.h"
#include "common/imaging_test.h"
#include "common/test_files.h"
#include "framework/com_ptr.h"
#include "image/image_classify.h"
#include "image/image_metadata.h"
#include "image/wic_image_loader.h"
#include "image/wic_scaler.h"

using Microsoft::WRL::ComPtr;

namespace {

TEST(ClassifyImageFile, ExtensionGroupsInOrder) {
  struct {
    const wchar_t* name;
    int value;
  } cases[] = {{L"photo.JPG", 2}, {L"a.Jpe", 2},     {L"x.jng", 14},     {L"x.j2c", 15},        {L"x.rgba", 11},
               {L"x.targa", 0},   {L"noextension", 0}, {L"x.bmp", 1},    {L"c:\\a.b\\x.tif", 4}, {L"x.PNG", 5},
               {L"x.ico", 6},     {L"x.nef", 10},    {L"x.webp", 11},    {L"x.", 0},            {L"x.jpg.txt", 0},
               {L"x.g,if", 0}};
  for (const auto& c : cases) EXPECT_EQ(ClassifyImageFile(c.name), c.value) << c.name;
}

TEST(RotateOrientation, CyclesAndStartsFromUpright) {
  for (bool clockwise : {true, false}) {
    for (int start = 1; start <= 8; ++start) {
      ImageMetadata m;
      m.orientation = start;
      for (int i = 0; i < 4; ++i) m.RotateOrientation(clockwise);
      EXPECT_EQ(m.orientation, start) << start << (clockwise ? " cw" : " ccw");
    }
  }
  ImageMetadata m;
  EXPECT_EQ(m.RotateOrientation(true), 6);
  m.orientation = 0;
  EXPECT_EQ(m.RotateOrientation(false), 8);
  m.orientation = 12;  // clamped to 8 first
  EXPECT_EQ(m.RotateOrientation(true), 1);
  m.orientation = 2;
  EXPECT_EQ(m.RotateOrientation(true), 7);
}

class LoaderTest : public ImagingTest {
 protected:
  std::wstring Data(const wchar_t* name) { return TestDataFolder() + name; }

  // The display bitmap's pixels as 0x00RRGGBB, top row first.
  static std::vector<DWORD> Pixels(HBITMAP bitmap, int w, int h) {
    std::vector<DWORD> px(static_cast<size_t>(w) * h);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB};
    HDC dc = ::GetDC(nullptr);
    ::GetDIBits(dc, bitmap, 0, h, px.data(), &bi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, dc);
    for (DWORD& p : px) p &= 0xFFFFFF;
    return px;
  }
  static std::vector<DWORD> Display(const LoaderPtr& loader, int w, int h) {
    HBITMAP bitmap = nullptr;
    if (!loader || !loader->CreateDisplayBitmap(w, h, &bitmap)) return {};
    std::vector<DWORD> px = Pixels(bitmap, w, h);
    ::DeleteObject(bitmap);
    return px;
  }
  // Normalised root-mean-square difference of two pictures, 0..1.
  static double Rmse(const std::vector<DWORD>& a, const std::vector<DWORD>& b) {
    if (a.size() != b.size() || a.empty()) return 1.0;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
      for (int shift : {0, 8, 16}) {
        double d = static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF);
        sum += d * d;
      }
    return std::sqrt(sum / (a.size() * 3.0)) / 255.0;
  }

};

TEST_F(LoaderTest, OrientationTagTurnsThePictureUpright) {
  ASSERT_FALSE(TestDataFolder().empty());
  LoaderPtr upright = CreateLoader(Data(L"orientation\\Landscape_1.jpg"));
  ASSERT_TRUE(upright);
  const std::vector<DWORD> reference = Display(upright, 180, 120);
  ASSERT_FALSE(reference.empty());
  for (const wchar_t* name : {L"Landscape_3.jpg", L"Landscape_5.jpg", L"Landscape_6.jpg", L"Landscape_7.jpg", L"Landscape_8.jpg"}) {
    LoaderPtr loader = CreateLoader(Data(L"orientation\\") + name);
    ASSERT_TRUE(loader) << name;
    UINT w = 0, h = 0;
    loader->GetOrientedSize(&w, &h);
    EXPECT_EQ(w, 1800u) << name;
    EXPECT_EQ(h, 1200u) << name;
    EXPECT_LT(Rmse(Display(loader, 180, 120), reference), 0.1) << name;
    ComPtr<IWICBitmap> full = loader->GetBitmap(false);
    ASSERT_TRUE(full) << name;
    UINT fw = 0, fh = 0;
    full->GetSize(&fw, &fh);
    EXPECT_EQ(fw, 1800u);
    EXPECT_EQ(fh, 1200u);
  }
  // The same pixels left as stored do not match: the check can tell.
  LoaderPtr turned = CreateLoader(Data(L"orientation\\Landscape_3.jpg"));
  turned->metadata().orientation = 1;
  EXPECT_GT(Rmse(Display(turned, 180, 120), reference), 0.2);
}

TEST_F(LoaderTest, CameraFieldsAndLocation) {
  LoaderPtr canon = CreateLoader(Data(L"Canon_40D.jpg"));
  ASSERT_TRUE(canon);
  const ImageMetadata& m = canon->metadata();
  EXPECT_EQ(m.make, L"Canon");
  EXPECT_EQ(m.model, L"Canon EOS 40D");
  EXPECT_EQ(m.f_number, L"7.1");
  EXPECT_EQ(m.exposure_time, L"1/160");
  EXPECT_EQ(m.iso, L"100");
  EXPECT_EQ(m.focal_length, L"135.0");
  EXPECT_EQ(m.metering_mode, L"5");
  EXPECT_EQ(m.flash, L"9");
  EXPECT_EQ(m.white_balance, L"0");
  EXPECT_EQ(m.exposure_program, L"1");
  EXPECT_EQ(m.date_taken, L"2008:05:30 15:56:01");
  EXPECT_EQ(m.lens, L"");
  EXPECT_EQ(m.location, L"");
  EXPECT_GT(m.resolution, 0);

  LoaderPtr kodak = CreateLoader(Data(L"Kodak_CX7530.jpg"));
  ASSERT_TRUE(kodak);
  const std::wstring& where = kodak->metadata().location;
  // South is negative; six decimals each.
  EXPECT_EQ(where.substr(0, 9), L"-0.371300") << where;
  EXPECT_EQ(where.substr(9, 10), L",36.056416") << where;
  EXPECT_EQ(where.size(), 19u) << where;
  EXPECT_EQ(kodak->metadata().iso, L"");
}

TEST_F(LoaderTest, PngHasResolutionButNoTags) {
  LoaderPtr png = CreateLoader(Data(L"basn2c08.png"));
  ASSERT_TRUE(png);
  const ImageMetadata& m = png->metadata();
  EXPECT_EQ(m.orientation, 0);
  EXPECT_EQ(m.make + m.model + m.date_taken + m.location + m.f_number + m.exposure_time + m.iso, L"");
  EXPECT_GT(m.resolution, 0);
}

TEST_F(LoaderTest, IconShowsItsWidestFrameAndGifsAnimateFromTwoFrames) {
  LoaderPtr icon = CreateLoader(Data(L"multiple_entries_with_different_bit_depth.ico"));
  ASSERT_TRUE(icon);
  UINT w = 0, h = 0;
  icon->GetOrientedSize(&w, &h);
  EXPECT_EQ(w, 48u);
  EXPECT_EQ(h, 48u);

  LoaderPtr still = CreateLoader(Data(L"hopper.gif"));
  LoaderPtr moving = CreateLoader(Data(L"dispose_none.gif"));
  ASSERT_TRUE(still);
  ASSERT_TRUE(moving);
  EXPECT_FALSE(still->IsAnimated());
  EXPECT_TRUE(moving->IsAnimated());
}

TEST_F(LoaderTest, TransparentPixelsShowTheCanvasColour) {
  LoaderPtr png = CreateLoader(Data(L"tbrn2c08.png"));
  ASSERT_TRUE(png);
  std::vector<DWORD> px = Display(png, 32, 32);
  ASSERT_EQ(px.size(), 32u * 32u);
  EXPECT_EQ(px[0], 0x272727u);              // transparent corner
  EXPECT_EQ(px[16 * 32 + 15], 0x9D9D9Du);  // (157,157,157), opaque
}

TEST_F(LoaderTest, BitmapsHandedOutAreCopies) {
  LoaderPtr png = CreateLoader(Data(L"basn6a08.png"));
  ASSERT_TRUE(png);
  ComPtr<IWICBitmap> first = png->GetBitmap(false);
  ComPtr<IWICBitmap> second = png->GetBitmap(false);
  ASSERT_TRUE(first && second);
  EXPECT_NE(first.Get(), second.Get());
  EXPECT_NE(static_cast<IWICBitmapSource*>(first.Get()), png->frame());
}

// Files the platform may lack a decoder for, written here: a 2x1 TGA and an ASCII PPM.
// The PPM has no platform decoder anywhere, so it shows the plug-in at work.
TEST_F(LoaderTest, FormatsWithoutAPlatformDecoderGoToThePlugin) {
  TempDir dir;
  const unsigned char tga[] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0x20,
                               0, 0, 255, 255, 0, 0};  // top-left origin: red, blue
  WriteTextFile(dir.File(L"a.tga"), std::string(reinterpret_cast<const char*>(tga), sizeof(tga)));
  WriteTextFile(dir.File(L"b.ppm"), "P3\n# made for a test\n2 1\n255\n0 255 0  255 255 255\n");
  for (const wchar_t* name : {L"a.tga", L"b.ppm"}) {
    LoaderPtr loader = CreateLoader(dir.File(name));
    ASSERT_TRUE(loader) << name;
    UINT w = 0, h = 0;
    loader->GetOrientedSize(&w, &h);
    EXPECT_EQ(w, 2u);
    EXPECT_EQ(h, 1u);
  }
  EXPECT_EQ(CreateLoader(dir.File(L"b.ppm"))->decoder(), nullptr);
  std::vector<DWORD> px = Display(CreateLoader(dir.File(L"a.tga")), 2, 1);
  ASSERT_EQ(px.size(), 2u);
  EXPECT_EQ(px[0], 0xFF0000u);
  EXPECT_EQ(px[1], 0x0000FFu);
}

// Lists every file below a folder.
void ListFiles(const std::wstring& folder, std::vector<std::wstring>* files) {
  WIN32_FIND_DATAW fd;
  HANDLE find = ::FindFirstFileW((folder + L"*").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      ListFiles(folder + name + L"\\", files);
    else
      files->push_back(folder + name);
  } while (::FindNextFileW(find, &fd));
  ::FindClose(find);
}

TEST_F(LoaderTest, BrokenFilesNeverCrashNorChange) {
  std::vector<std::wstring> files;
  ListFiles(Data(L"bad\\"), &files);
  ASSERT_GE(files.size(), 30u);
  TempDir dir;
  WriteTextFile(dir.File(L"empty.jpg"), "");
  WriteTextFile(dir.File(L"text.png"), "this is not a picture");
  files.push_back(dir.File(L"empty.jpg"));
  files.push_back(dir.File(L"text.png"));
  for (const std::wstring& file : files) {
    std::string before = ReadTextFile(file);
    LoaderPtr loader = CreateLoader(file);
    if (loader) {
      UINT w = 0, h = 0;
      loader->GetOrientedSize(&w, &h);
      EXPECT_GT(w, 0u) << "a loader always has a size";
      HBITMAP bitmap = nullptr;
      if (loader->CreateDisplayBitmap(64, 64, &bitmap)) ::DeleteObject(bitmap);
    }
    EXPECT_EQ(ReadTextFile(file), before) << "changed: " << std::string(file.begin(), file.end());
  }
  EXPECT_FALSE(CreateLoader(dir.File(L"empty.jpg")));
  EXPECT_FALSE(CreateLoader(dir.File(L"missing.jpg")));
}

// The orientation tag of a JPEG, read back through a fresh loader.
int OrientationOf(const std::wstring& path) {
  CWICImageLoader loader(path);
  return loader.metadata().orientation;
}

TEST_F(LoaderTest, OrientationIsWrittenInPlaceWithoutTouchingThePixels) {
  TempDir dir;
  std::wstring copy = dir.File(L"turned.jpg");
  ASSERT_TRUE(::CopyFileW(Data(L"orientation\\Landscape_6.jpg").c_str(), copy.c_str(), FALSE));
  ::SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_READONLY);
  std::string before = ReadTextFile(copy);
  ASSERT_TRUE(WriteOrientationInPlace(copy, 1));
  EXPECT_FALSE(::GetFileAttributesW(copy.c_str()) & FILE_ATTRIBUTE_READONLY);
  std::string after = ReadTextFile(copy);
  ASSERT_EQ(after.size(), before.size());
  size_t differing = 0;
  for (size_t i = 0; i < before.size(); ++i) differing += before[i] != after[i];
  EXPECT_LE(differing, 2u) << "only the tag's value may change";
  EXPECT_EQ(OrientationOf(copy), 1);
}

TEST_F(LoaderTest, OrientationWithoutAnEntryIsRefusedHarmlessly) {
  // A JPEG with no Exif block at all, made here.
  TempDir dir;
  std::wstring plain = dir.File(L"plain.jpg");
  {
    IWICImagingFactory* f = GetWICFactory();
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ASSERT_TRUE(SUCCEEDED(f->CreateStream(&stream)));
    ASSERT_TRUE(SUCCEEDED(stream->InitializeFromFilename(plain.c_str(), GENERIC_WRITE)));
    ASSERT_TRUE(SUCCEEDED(f->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder)));
    ASSERT_TRUE(SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)));
    ASSERT_TRUE(SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)));
    ASSERT_TRUE(SUCCEEDED(frame->Initialize(nullptr)));
    ASSERT_TRUE(SUCCEEDED(frame->SetSize(8, 8)));
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    ASSERT_TRUE(SUCCEEDED(frame->SetPixelFormat(&format)));
    BYTE pixels[8 * 24] = {};
    ASSERT_TRUE(SUCCEEDED(frame->WritePixels(8, 24, sizeof(pixels), pixels)));
    ASSERT_TRUE(SUCCEEDED(frame->Commit()));
    ASSERT_TRUE(SUCCEEDED(encoder->Commit()));
  }
  ::SetFileAttributesW(plain.c_str(), FILE_ATTRIBUTE_READONLY);
  std::string before = ReadTextFile(plain);
  ASSERT_FALSE(before.empty());
  EXPECT_FALSE(WriteOrientationInPlace(plain, 6));
  EXPECT_EQ(ReadTextFile(plain), before);
  EXPECT_FALSE(::GetFileAttributesW(plain.c_str()) & FILE_ATTRIBUTE_READONLY);
  // Nothing is left behind in the folder.
  WIN32_FIND_DATAW fd;
  HANDLE find = ::FindFirstFileW(dir.File(L"*.tmp").c_str(), &fd);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE);
  if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
}

TEST_F(LoaderTest, OwnScalerAveragesWhenShrinkingAndBlendsWhenGrowing) {
  IWICImagingFactory* f = GetWICFactory();
  // Opaque black, white, black, white in one row; a transparent red next to opaque blue.
  BYTE stripes[16] = {0, 0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 255, 255, 255, 255};
  ComPtr<IWICBitmap> source;
  ASSERT_TRUE(SUCCEEDED(f->CreateBitmapFromMemory(4, 1, GUID_WICPixelFormat32bppBGRA, 16, 16, stripes, &source)));
  ComPtr<IWICBitmapSource> half = framework::AdoptRef(wic_scaler::ScaleWithOwnScaler(f, source.Get(), 2, 1));
  ASSERT_TRUE(half);
  BYTE out[8] = {};
  ASSERT_TRUE(SUCCEEDED(half->CopyPixels(nullptr, 8, 8, out)));
  EXPECT_NEAR(out[0], 128, 1);
  EXPECT_NEAR(out[4], 128, 1);
  EXPECT_EQ(out[3], 255);

  BYTE edge[8] = {0, 0, 255, 0, 255, 0, 0, 255};
  ComPtr<IWICBitmap> edge_source;
  ASSERT_TRUE(SUCCEEDED(f->CreateBitmapFromMemory(2, 1, GUID_WICPixelFormat32bppBGRA, 8, 8, edge, &edge_source)));
  ComPtr<IWICBitmapSource> wide = framework::AdoptRef(wic_scaler::ScaleWithOwnScaler(f, edge_source.Get(), 8, 1));
  ASSERT_TRUE(wide);
  BYTE row[32] = {};
  ASSERT_TRUE(SUCCEEDED(wide->CopyPixels(nullptr, 32, 32, row)));
  EXPECT_EQ(row[3], 0);     // still transparent at the left end
  EXPECT_EQ(row[31], 255);  // opaque at the right end
  for (int x = 0; x < 8; ++x) {
    if (row[x * 4 + 3] > 0) {
      EXPECT_EQ(row[x * 4 + 2], 0) << "transparent red must not bleed in at " << x;
    }
  }
  for (int x = 1; x < 8; ++x) EXPECT_GE(row[x * 4 + 3], row[(x - 1) * 4 + 3]) << "alpha rises smoothly";
}

}  // namespace
