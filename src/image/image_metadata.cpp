#include "image/image_metadata.h"

#include <shlwapi.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/zelto_app.h"
#include "image/exif_reader.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kIfdPath[] = L"/app1/ifd/{ushort=%d}";
constexpr wchar_t kExifPath[] = L"/app1/ifd/exif/{ushort=%d}";
constexpr wchar_t kGpsPath[] = L"/app1/ifd/gps/{ushort=%d}";

// Holds a PROPVARIANT for one query and clears it afterwards.
class QueryValue {
 public:
  QueryValue(IMetadataQuery& query, const wchar_t* format, int tag) {
    ::PropVariantInit(&value_);
    wchar_t path[64];
    swprintf(path, 64, format, tag);
    ok_ = query.Get(path, &value_);
  }
  ~QueryValue() { ::PropVariantClear(&value_); }
  QueryValue(const QueryValue&) = delete;
  QueryValue& operator=(const QueryValue&) = delete;
  bool ok() const { return ok_; }
  const PROPVARIANT& get() const { return value_; }

 private:
  PROPVARIANT value_;
  bool ok_ = false;
};

std::wstring FromAnsi(const char* text) {
  if (!text) return L"";
  int n = ::MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, nullptr, 0);
  if (n <= 1) return L"";
  std::wstring out(n - 1, L'\0');
  ::MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, out.data(), n);
  return out;
}

std::wstring AsText(const QueryValue& q) {
  if (!q.ok()) return L"";
  const PROPVARIANT& v = q.get();
  if (v.vt == VT_LPSTR) return FromAnsi(v.pszVal);
  if (v.vt == VT_LPWSTR) return v.pwszVal ? v.pwszVal : L"";
  if (v.vt == (VT_VECTOR | VT_LPSTR) && v.calpstr.cElems >= 1) return FromAnsi(v.calpstr.pElems[0]);
  return L"";
}

std::wstring AsInteger(const QueryValue& q) {
  if (!q.ok() || q.get().vt != VT_UI2) return L"";
  return std::to_wstring(q.get().uiVal);
}

// WIC gives an unsigned rational as one 64-bit value: numerator low, denominator high.
std::wstring AsRational(const QueryValue& q) {
  if (!q.ok()) return L"";
  float value = 0;
  if (q.get().vt == VT_UI8) {
    ULONGLONG raw = q.get().uhVal.QuadPart;
    UINT num = static_cast<UINT>(raw & 0xFFFFFFFF), den = static_cast<UINT>(raw >> 32);
    if (den != 0) value = static_cast<float>(num) / static_cast<float>(den);
  }
  wchar_t text[64];
  swprintf(text, 64, L"%.1f", value);
  return text;
}

std::wstring AsFraction(const QueryValue& q) {
  if (!q.ok() || q.get().vt != VT_UI8) return L"";
  ULONGLONG raw = q.get().uhVal.QuadPart;
  wchar_t text[64];
  swprintf(text, 64, L"%d/%d", static_cast<int>(raw & 0xFFFFFFFF), static_cast<int>(raw >> 32));
  return text;
}

class WicQuery : public IMetadataQuery {
 public:
  explicit WicQuery(IWICMetadataQueryReader* reader) : reader_(reader) {}
  bool Get(const wchar_t* path, PROPVARIANT* value) override {
    bool ok = SUCCEEDED(reader_->GetMetadataByName(path, value));
    if (ok) ++answered_;
    return ok;
  }
  int answered() const { return answered_; }

 private:
  IWICMetadataQueryReader* reader_;
  int answered_ = 0;
};

class ExifQuery : public IMetadataQuery {
 public:
  explicit ExifQuery(const exif::ExifReader& reader) : reader_(reader) {}
  bool Get(const wchar_t* path, PROPVARIANT* value) override {
    exif::Directory dir;
    uint16_t tag = 0;
    return exif::ParseQueryPath(path, &dir, &tag) && reader_.Get(dir, tag, value);
  }

 private:
  const exif::ExifReader& reader_;
};

// The start of a file, enough for any APP1 segment, which follows soon after SOI.
std::vector<uint8_t> ReadHead(const std::wstring& path, size_t limit) {
  std::vector<uint8_t> bytes;
  HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(limit);
  DWORD got = 0;
  if (!::ReadFile(f, bytes.data(), static_cast<DWORD>(limit), &got, nullptr)) got = 0;
  bytes.resize(got);
  ::CloseHandle(f);
  return bytes;
}

bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>* bytes) {
  HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = ::GetFileSizeEx(f, &size) && size.QuadPart > 0 && size.QuadPart < (1LL << 31);
  if (ok) {
    bytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ok = ::ReadFile(f, bytes->data(), static_cast<DWORD>(bytes->size()), &got, nullptr) && got == bytes->size();
  }
  ::CloseHandle(f);
  return ok;
}

bool WriteWholeFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
  ok = ::FlushFileBuffers(f) && ok;
  ::CloseHandle(f);
  return ok;
}

int OrientationIn(const std::vector<uint8_t>& jpeg) {
  exif::TiffBlock block;
  exif::ExifReader reader;
  if (!exif::FindExifBlock(jpeg.data(), jpeg.size(), &block) || !reader.Parse(jpeg.data() + block.offset, block.size))
    return -1;
  PROPVARIANT v;
  ::PropVariantInit(&v);
  int value = -1;
  if (reader.Get(exif::Directory::kIfd0, 274, &v) && v.vt == VT_UI2) value = v.uiVal;
  ::PropVariantClear(&v);
  return value;
}

// The platform's way: a fast metadata encoder on a decoder opened for writing.
bool WriteOrientationWithWic(const std::wstring& path, int orientation) {
  IWICImagingFactory* factory = GetWICFactory();
  if (!factory) return false;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFastMetadataEncoder> encoder;
  ComPtr<IWICMetadataQueryWriter> writer;
  if (FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ | GENERIC_WRITE,
                                                WICDecodeMetadataCacheOnDemand, &decoder)) ||
      FAILED(decoder->GetFrame(0, &frame)) ||
      FAILED(factory->CreateFastMetadataEncoderFromFrameDecode(frame.Get(), &encoder)) ||
      FAILED(encoder->GetMetadataQueryWriter(&writer)))
    return false;
  PROPVARIANT v;
  ::PropVariantInit(&v);
  v.vt = VT_UI2;
  v.uiVal = static_cast<USHORT>(orientation);
  wchar_t query[64];
  swprintf(query, 64, kIfdPath, 274);
  if (FAILED(writer->SetMetadataByName(query, &v))) return false;
  return encoder->Commit() == S_OK;
}

}  // namespace

int ImageMetadata::RotateOrientation(bool clockwise) {
  int o = std::clamp(orientation, 1, 8);
  static const int kClockwise[9] = {0, 6, 7, 8, 5, 2, 3, 4, 1};
  static const int kCounter[9] = {0, 8, 5, 6, 7, 4, 1, 2, 3};
  orientation = clockwise ? kClockwise[o] : kCounter[o];
  return orientation;
}

std::wstring ReadCoordinate(IMetadataQuery& query, int value_tag, int reference_tag, const wchar_t* negative_ref) {
  QueryValue value(query, kGpsPath, value_tag);
  if (!value.ok()) return L"";
  float coordinate = 0;
  const PROPVARIANT& v = value.get();
  if (v.vt == (VT_VECTOR | VT_UI8) && v.cauh.cElems >= 3) {
    float part[3];
    bool ok = true;
    for (int i = 0; i < 3; ++i) {
      ULONGLONG raw = v.cauh.pElems[i].QuadPart;
      UINT num = static_cast<UINT>(raw & 0xFFFFFFFF), den = static_cast<UINT>(raw >> 32);
      ok = ok && den != 0;
      part[i] = den ? static_cast<float>(num) / static_cast<float>(den) : 0.0f;
    }
    if (ok) coordinate = part[1] / 60.0f + part[0] + part[2] / 3600.0f;
  }
  QueryValue reference(query, kGpsPath, reference_tag);
  if (::StrCmpIW(AsText(reference).c_str(), negative_ref) == 0) coordinate = -coordinate;
  wchar_t text[64];
  swprintf(text, 64, L"%f", static_cast<double>(coordinate));
  return text;
}

void ReadMetadataFrom(IMetadataQuery& q, ImageMetadata* m) {
  m->date_taken = AsText(QueryValue(q, kExifPath, 36867));
  {
    QueryValue o(q, kIfdPath, 274);
    if (o.ok()) m->orientation = o.get().uiVal;
  }
  std::wstring latitude = ReadCoordinate(q, 2, 1, L"S");
  if (!latitude.empty()) {
    std::wstring longitude = ReadCoordinate(q, 4, 3, L"W");
    if (!longitude.empty()) m->location = latitude + L"," + longitude;
  }
  m->make = AsText(QueryValue(q, kIfdPath, 271));
  m->model = AsText(QueryValue(q, kIfdPath, 272));
  m->lens = AsText(QueryValue(q, kExifPath, 42036));
  m->f_number = AsRational(QueryValue(q, kExifPath, 33437));
  m->max_aperture = AsRational(QueryValue(q, kExifPath, 37381));
  m->exposure_time = AsFraction(QueryValue(q, kExifPath, 33434));
  m->iso = AsInteger(QueryValue(q, kExifPath, 34855));
  m->focal_length = AsRational(QueryValue(q, kExifPath, 37386));
  m->metering_mode = AsInteger(QueryValue(q, kExifPath, 37383));
  m->flash = AsInteger(QueryValue(q, kExifPath, 37385));
  m->white_balance = AsInteger(QueryValue(q, kExifPath, 41987));
  m->exposure_program = AsInteger(QueryValue(q, kExifPath, 34850));
}

ImageMetadata ReadMetadata(IWICBitmapFrameDecode* frame, const std::wstring& file_path) {
  ImageMetadata m;
  ComPtr<IWICMetadataQueryReader> reader;
  if (!frame || FAILED(frame->GetMetadataQueryReader(&reader)) || !reader) return m;
  double dpi_x = 0, dpi_y = 0;
  if (SUCCEEDED(frame->GetResolution(&dpi_x, &dpi_y))) m.resolution = static_cast<int>(dpi_x + 0.5);
  WicQuery wic(reader.Get());
  ReadMetadataFrom(wic, &m);
  if (wic.answered() > 0 || file_path.empty()) return m;

  // The platform read nothing: look for an Exif block ourselves.
  std::vector<uint8_t> head = ReadHead(file_path, 256 * 1024);
  exif::TiffBlock block;
  exif::ExifReader exif_reader;
  if (!exif::FindExifBlock(head.data(), head.size(), &block) ||
      !exif_reader.Parse(head.data() + block.offset, block.size) || !exif_reader.HasAnyTag())
    return m;
  ExifQuery ours(exif_reader);
  ReadMetadataFrom(ours, &m);
  return m;
}

bool WriteOrientationInPlace(const std::wstring& path, int orientation) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (attributes & FILE_ATTRIBUTE_READONLY) ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);

  std::vector<uint8_t> original;
  if (!ReadWholeFile(path, &original)) return false;
  wchar_t folder[MAX_PATH] = {};
  wcsncpy(folder, path.c_str(), MAX_PATH - 1);
  ::PathRemoveFileSpecW(folder);
  wchar_t temp[MAX_PATH] = {};
  if (!::GetTempFileNameW(folder, L"vtr", 0, temp)) return false;

  // Some platforms truncate a file they open for writing through the decoder, so the
  // platform's encoder only ever sees a copy; our own patch is the second choice.
  bool written = false;
  std::vector<uint8_t> result;
  if (WriteWholeFile(temp, original) && WriteOrientationWithWic(temp, orientation) && ReadWholeFile(temp, &result) &&
      OrientationIn(result) == orientation)
    written = true;
  if (!written) {
    result = original;
    written = exif::PatchOrientation(result, static_cast<uint16_t>(orientation)) && WriteWholeFile(temp, result);
    std::vector<uint8_t> check;
    written = written && ReadWholeFile(temp, &check) && check == result && OrientationIn(check) == orientation;
  }
  if (written)
    written = ::MoveFileExW(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  if (!written) ::DeleteFileW(temp);
  return written;
}
