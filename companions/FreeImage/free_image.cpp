// The decoder plug-in for the picture formats the system's codecs lack: TGA, PSD, the PNM family,
// Radiance HDR and Softimage PIC. The viewer calls it only after the system has refused a file, so
// every file here is untrusted: sizes are checked before anything is allocated, and a file that
// ends early is refused rather than shown with invented pixels.
#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

// stb's own PNM reader is left out: it knows neither the plain variants nor maxval scaling, and it
// overruns its buffer on 16-bit samples converted to four channels. The reader below does all six.
#define STBI_ONLY_TGA
#define STBI_ONLY_PSD
#define STBI_ONLY_HDR
#define STBI_ONLY_PIC
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_FAILURE_STRINGS
#define STBI_NO_THREAD_LOCALS
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace {

constexpr uint64_t kMaxFileBytes = uint64_t{512} << 20;
constexpr uint64_t kMaxPixels = uint64_t{1} << 28;  // also keeps every byte count within 32 bits

struct Picture {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> bgra;  // top row first, straight alpha
};

bool SizeAllowed(uint64_t width, uint64_t height) {
  return width > 0 && height > 0 && width <= kMaxPixels && height <= kMaxPixels && width * height <= kMaxPixels;
}

void ResizeFor(Picture* picture, uint32_t width, uint32_t height) {
  picture->width = width;
  picture->height = height;
  picture->bgra.resize(size_t{width} * height * 4);
}

// ---- PNM: P1 to P6 ----

class PnmInput {
 public:
  PnmInput(const uint8_t* data, size_t size) : pos_(data), end_(data + size) {}

  size_t Remaining() const { return static_cast<size_t>(end_ - pos_); }

  // Header fields and plain samples are decimal numbers between white space and comments.
  bool Number(uint32_t limit, uint32_t* value) {
    SkipSpace();
    if (pos_ == end_ || !IsDigit(*pos_)) return false;
    uint64_t v = 0;
    while (pos_ < end_ && IsDigit(*pos_)) {
      v = v * 10 + (*pos_++ - '0');
      if (v > limit) return false;
    }
    *value = static_cast<uint32_t>(v);
    return pos_ == end_ || IsSpace(*pos_) || *pos_ == '#';
  }

  // Plain bitmap samples are single digits that need nothing between them.
  bool Bit(uint32_t* value) {
    SkipSpace();
    if (pos_ == end_ || (*pos_ != '0' && *pos_ != '1')) return false;
    *value = static_cast<uint32_t>(*pos_++ - '0');
    return true;
  }

  // Exactly one white-space byte parts the header from binary samples.
  bool SkipOneSpace() {
    if (pos_ == end_ || !IsSpace(*pos_)) return false;
    ++pos_;
    return true;
  }

  const uint8_t* Take(size_t count) {
    const uint8_t* start = pos_;
    pos_ += count;
    return start;
  }

 private:
  static bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }
  static bool IsSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

  void SkipSpace() {
    while (pos_ < end_) {
      if (*pos_ == '#') {
        while (pos_ < end_ && *pos_ != '\n' && *pos_ != '\r') ++pos_;
      } else if (IsSpace(*pos_)) {
        ++pos_;
      } else {
        break;
      }
    }
  }

  const uint8_t* pos_;
  const uint8_t* end_;
};

bool IsPnm(const uint8_t* data, size_t size) { return size >= 2 && data[0] == 'P' && data[1] >= '1' && data[1] <= '6'; }

bool DecodePnm(const uint8_t* data, size_t size, Picture* picture) {
  const int kind = data[1] - '0';
  const bool plain = kind <= 3;
  const bool bitmap = kind == 1 || kind == 4;
  const uint32_t channels = (kind == 3 || kind == 6) ? 3 : 1;
  PnmInput in(data + 2, size - 2);
  uint32_t width = 0, height = 0, maxval = 1;
  if (!in.Number(UINT32_MAX, &width) || !in.Number(UINT32_MAX, &height)) return false;
  if (!bitmap && (!in.Number(65535, &maxval) || maxval == 0)) return false;
  if (!SizeAllowed(width, height)) return false;

  // Refuse a file too short for its header's size before allocating for it.
  const uint64_t samples = uint64_t{width} * height * channels;
  const size_t row_bytes = bitmap ? (width + 7) / 8 : size_t{width} * channels * (maxval > 255 ? 2 : 1);
  if (plain) {
    if (in.Remaining() < samples) return false;  // each plain sample is at least one character
  } else if (!in.SkipOneSpace() || in.Remaining() / height < row_bytes) {
    return false;
  }

  ResizeFor(picture, width, height);
  uint8_t* out = picture->bgra.data();
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = plain ? nullptr : in.Take(row_bytes);
    for (uint32_t x = 0; x < width; ++x, out += 4) {
      uint8_t value[3];
      for (uint32_t c = 0; c < channels; ++c) {
        uint32_t v = 0;
        if (kind == 1) {
          if (!in.Bit(&v)) return false;
        } else if (plain) {
          if (!in.Number(maxval, &v)) return false;
        } else if (bitmap) {
          v = (row[x / 8] >> (7 - x % 8)) & 1;
        } else if (maxval > 255) {
          const uint8_t* s = row + (size_t{x} * channels + c) * 2;
          v = uint32_t{s[0]} << 8 | s[1];
        } else {
          v = row[size_t{x} * channels + c];
        }
        if (v > maxval) return false;
        // In bitmaps a set bit is black.
        value[c] = bitmap ? (v ? 0 : 255) : static_cast<uint8_t>((v * 255 + maxval / 2) / maxval);
      }
      const uint8_t r = value[0], g = value[channels == 3 ? 1 : 0], b = value[channels == 3 ? 2 : 0];
      out[0] = b;
      out[1] = g;
      out[2] = r;
      out[3] = 255;
    }
  }
  return true;
}

// ---- stb's formats ----
// stb reads past the end of its input as zeros: a cut file would show invented pixels, and a
// run-length scanline of a cut HDR would never end. So each file is first walked the way stb will
// read it, which also keeps a few bytes from claiming a huge picture.

// A read position that never moves past the end.
class Cursor {
 public:
  Cursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Has(uint64_t count) const { return size_ - pos_ >= count; }
  bool Skip(uint64_t count) {
    if (!Has(count)) return false;
    pos_ += static_cast<size_t>(count);
    return true;
  }
  bool U8(uint32_t* value) {
    if (!Has(1)) return false;
    *value = data_[pos_++];
    return true;
  }
  bool Be16(uint32_t* value) {
    uint32_t high = 0, low = 0;
    if (!U8(&high) || !U8(&low)) return false;
    *value = high << 8 | low;
    return true;
  }
  bool Be32(uint32_t* value) {
    uint32_t high = 0, low = 0;
    if (!Be16(&high) || !Be16(&low)) return false;
    *value = high << 16 | low;
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

bool IsPsd(const uint8_t* data, size_t size) { return size >= 4 && std::memcmp(data, "8BPS", 4) == 0; }

bool IsPic(const uint8_t* data, size_t size) {
  return size >= 92 && std::memcmp(data, "\x53\x80\xF6\x34", 4) == 0 && std::memcmp(data + 88, "PICT", 4) == 0;
}

bool IsHdr(const uint8_t* data, size_t size) {
  return (size >= 11 && std::memcmp(data, "#?RADIANCE\n", 11) == 0) ||
         (size >= 7 && std::memcmp(data, "#?RGBE\n", 7) == 0);
}

bool TgaComplete(const uint8_t* d, size_t size, uint64_t pixels) {
  Cursor in(d, size);
  if (size < 18 || !in.Skip(18 + uint64_t{d[0]})) return false;
  const uint64_t pixel_bytes = (d[16] + 7) / 8;
  if (d[1] == 1) {
    // stb takes the first-entry field for a count of bytes to skip.
    const uint64_t first = d[3] | d[4] << 8, entries = d[5] | d[6] << 8;
    if (!in.Skip(first + entries * ((d[7] + 7) / 8))) return false;
  }
  if (d[2] < 8) return in.Has(pixels * pixel_bytes);
  for (uint64_t left = pixels; left > 0;) {
    uint32_t packet = 0;
    if (!in.U8(&packet)) return false;
    const uint64_t count = std::min<uint64_t>(1 + (packet & 127), left);
    if (!in.Skip(packet & 128 ? pixel_bytes : count * pixel_bytes)) return false;
    left -= count;
  }
  return true;
}

bool PsdComplete(const uint8_t* d, size_t size, uint64_t pixels, uint64_t height) {
  Cursor in(d, size);
  uint32_t channels = 0, depth = 0, length = 0, compression = 0;
  if (!in.Skip(12) || !in.Be16(&channels) || !in.Skip(8) || !in.Be16(&depth) || !in.Skip(2)) return false;
  for (int section = 0; section < 3; ++section) {  // mode data, resources, layers
    if (!in.Be32(&length) || !in.Skip(length)) return false;
  }
  const uint32_t planes = std::min<uint32_t>(channels, 4);  // stb reads no more than four
  if (!in.Be16(&compression) || planes == 0) return false;
  if (compression == 0) return in.Has(planes * pixels * (depth / 8));
  if (compression != 1 || !in.Skip(uint64_t{channels} * height * 2)) return false;
  for (uint32_t plane = 0; plane < planes; ++plane) {
    for (uint64_t done = 0; done < pixels;) {
      uint32_t op = 0;
      if (!in.U8(&op)) return false;
      if (op == 128) continue;
      const uint64_t count = op < 128 ? op + 1 : 257 - op;
      if (count > pixels - done || !in.Skip(op < 128 ? count : 1)) return false;
      done += count;
    }
  }
  return true;
}

bool PicComplete(const uint8_t* d, size_t size, uint64_t width, uint64_t height) {
  Cursor in(d, size);
  if (!in.Skip(104)) return false;
  struct Packet {
    uint32_t type, bytes;
  } packets[10];
  size_t count = 0;
  for (uint32_t chained = 1; chained;) {
    uint32_t bits = 0, type = 0, channels = 0;
    if (count == std::size(packets) || !in.U8(&chained) || !in.U8(&bits) || !in.U8(&type) || !in.U8(&channels))
      return false;
    // A packet of no channels would spend time on every pixel without reading a byte.
    channels &= 0xF0;
    if (bits != 8 || type > 2 || channels == 0) return false;
    packets[count++] = {type, static_cast<uint32_t>(std::popcount(channels))};
  }
  for (uint64_t y = 0; y < height; ++y) {
    for (size_t i = 0; i < count; ++i) {
      const Packet& packet = packets[i];
      if (packet.type == 0) {
        if (!in.Skip(width * packet.bytes)) return false;
        continue;
      }
      for (uint64_t left = width; left > 0;) {
        uint32_t run = 0;
        if (!in.U8(&run)) return false;
        if (packet.type == 1) {  // a run too long for the row is cut
          if (!in.Skip(packet.bytes)) return false;
          left -= std::min<uint64_t>(run, left);
          continue;
        }
        const bool repeated = run >= 128;
        if (run == 128) {
          if (!in.Be16(&run)) return false;
        } else {
          run = repeated ? run - 127 : run + 1;
        }
        if (run > left || !in.Skip(repeated ? packet.bytes : run * packet.bytes)) return false;
        left -= run;
      }
    }
  }
  return true;
}

bool HdrComplete(const uint8_t* d, size_t size, uint64_t width, uint64_t height) {
  // The signature line, variables up to a blank line, then the resolution line. Like stb, a line
  // that starts with a zero byte counts as blank.
  size_t pos = 0;
  auto line_was_blank = [&] {
    const size_t start = pos;
    while (pos < size && d[pos] != '\n') ++pos;
    const bool blank = pos == start || d[start] == '\0';
    if (pos < size) ++pos;
    return blank;
  };
  line_was_blank();
  while (!line_was_blank()) {
  }
  line_was_blank();

  Cursor in(d + pos, size - pos);
  const uint64_t flat_bytes = width * height * 4;
  if (width < 8 || width >= 32768) return in.Has(flat_bytes);
  for (uint64_t y = 0; y < height; ++y) {
    uint32_t a = 0, b = 0, high = 0, low = 0;
    if (!in.U8(&a) || !in.U8(&b) || !in.U8(&high) || !in.U8(&low)) return false;
    // A scanline that is not run-length coded makes stb read the whole picture flat from there.
    if (a != 2 || b != 2 || (high & 0x80)) return in.Has(flat_bytes - 4);
    if ((high << 8 | low) != width) return false;
    for (int component = 0; component < 4; ++component) {
      for (uint64_t x = 0; x < width;) {
        uint32_t count = 0;
        if (!in.U8(&count)) return false;
        const uint64_t run = count > 128 ? count - 128 : count;
        if (run > width - x || !in.Skip(count > 128 ? 1 : count)) return false;
        x += run;
      }
    }
  }
  return true;
}

// stb tells PSD, PIC and HDR by their signatures and takes anything else for TGA.
bool StbInputComplete(const uint8_t* d, size_t size, uint64_t width, uint64_t height) {
  if (IsPsd(d, size)) return PsdComplete(d, size, width * height, height);
  if (IsPic(d, size)) return PicComplete(d, size, width, height);
  if (IsHdr(d, size)) return HdrComplete(d, size, width, height);
  return TgaComplete(d, size, width * height);
}

bool DecodeWithStb(const uint8_t* data, size_t size, Picture* picture) {
  const int length = static_cast<int>(size);
  int width = 0, height = 0, components = 0;
  if (!stbi_info_from_memory(data, length, &width, &height, &components) || width <= 0 || height <= 0 ||
      !SizeAllowed(static_cast<uint64_t>(width), static_cast<uint64_t>(height)))
    return false;
  if (!StbInputComplete(data, size, static_cast<uint64_t>(width), static_cast<uint64_t>(height))) return false;

  int got_width = 0, got_height = 0;
  std::unique_ptr<stbi_uc, void (*)(void*)> rgba(
      stbi_load_from_memory(data, length, &got_width, &got_height, &components, 4), stbi_image_free);
  if (!rgba || got_width != width || got_height != height) return false;

  ResizeFor(picture, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
  const uint8_t* in = rgba.get();
  uint8_t* out = picture->bgra.data();
  for (size_t i = 0, n = picture->bgra.size(); i < n; i += 4) {
    out[i] = in[i + 2];
    out[i + 1] = in[i + 1];
    out[i + 2] = in[i];
    out[i + 3] = in[i + 3];
  }
  return true;
}

bool Decode(const std::vector<uint8_t>& file, Picture* picture) {
  if (IsPnm(file.data(), file.size())) return DecodePnm(file.data(), file.size(), picture);
  return DecodeWithStb(file.data(), file.size(), picture);
}

// ---- the file ----

struct HandleCloser {
  void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// Opened for reading only, and shared, so that a file another program has open still decodes.
bool ReadWholeFile(const wchar_t* path, std::vector<uint8_t>* bytes) {
  HANDLE raw = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (raw == INVALID_HANDLE_VALUE) return false;
  UniqueHandle file(raw);
  LARGE_INTEGER size{};
  if (::GetFileType(raw) != FILE_TYPE_DISK || !::GetFileSizeEx(raw, &size) || size.QuadPart <= 0 ||
      static_cast<uint64_t>(size.QuadPart) > kMaxFileBytes)
    return false;
  bytes->resize(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < bytes->size()) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes->size() - done, 1u << 24));
    if (!::ReadFile(raw, bytes->data() + done, want, &got, nullptr) || got == 0) return false;
    done += got;
  }
  return true;
}

}  // namespace

// The bitmap is made by the caller's factory, so it keeps working after this library is unloaded.
extern "C" IUnknown* __stdcall load_image(const wchar_t* path, IWICImagingFactory* factory) {
  if (!path || !factory) return nullptr;
  try {
    std::vector<uint8_t> file;
    Picture picture;
    if (!ReadWholeFile(path, &file) || !Decode(file, &picture)) return nullptr;
    file = {};
    Microsoft::WRL::ComPtr<IWICBitmap> bitmap;
    const UINT stride = picture.width * 4;
    if (FAILED(factory->CreateBitmapFromMemory(picture.width, picture.height, GUID_WICPixelFormat32bppBGRA, stride,
                                               static_cast<UINT>(picture.bgra.size()), picture.bgra.data(),
                                               &bitmap)))
      return nullptr;
    return bitmap.Detach();
  } catch (...) {
    return nullptr;
  }
}
