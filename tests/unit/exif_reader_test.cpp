#include "image/exif_reader.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/test_files.h"

using exif::Directory;
using exif::ExifReader;
using exif::TiffBlock;

namespace {

using Bytes = std::vector<uint8_t>;

// --- Fixture files --------------------------------------------------------------------

Bytes ReadData(const std::wstring& name) {
  static const std::wstring dir = TestDataFolder();
  Bytes bytes;
  FILE* f = _wfopen((dir + name).c_str(), L"rb");
  if (!f) {
    ADD_FAILURE() << "cannot open tests\\data\\" << std::string(name.begin(), name.end())
                  << "; set VANTOR_TEST_DATA to the folder";
    return bytes;
  }
  uint8_t chunk[4096];
  for (size_t got; (got = fread(chunk, 1, sizeof(chunk), f)) > 0;) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  fclose(f);
  return bytes;
}

// --- Reading values back ---------------------------------------------------------------

std::string Rational(ULONGLONG q) {
  return std::to_string(static_cast<uint32_t>(q)) + "/" +
         std::to_string(static_cast<uint32_t>(q >> 32));
}

std::string Describe(const PROPVARIANT& v) {
  std::string s;
  switch (v.vt) {
    case VT_UI1: return "UI1 " + std::to_string(v.bVal);
    case VT_UI2: return "UI2 " + std::to_string(v.uiVal);
    case VT_UI4: return "UI4 " + std::to_string(v.ulVal);
    case VT_LPSTR: return "STR " + std::string(v.pszVal);
    case VT_UI8: return "RAT " + Rational(v.uhVal.QuadPart);
    case VT_VECTOR | VT_UI8:
      s = "RAT[" + std::to_string(v.cauh.cElems) + "]";
      for (ULONG i = 0; i < v.cauh.cElems; ++i) s += " " + Rational(v.cauh.pElems[i].QuadPart);
      return s;
    case VT_VECTOR | VT_UI2:
      s = "UI2[" + std::to_string(v.caui.cElems) + "]";
      for (ULONG i = 0; i < v.caui.cElems; ++i) s += " " + std::to_string(v.caui.pElems[i]);
      return s;
    default:
      return "vt " + std::to_string(v.vt);
  }
}

// A tag's value as text, or "-" when the reader offers none.
std::string Value(const ExifReader& reader, Directory dir, uint16_t tag) {
  PROPVARIANT v;
  PropVariantInit(&v);
  const bool ok = reader.Get(dir, tag, &v);
  std::string text = ok ? Describe(v) : "-";
  if (!ok && v.vt != VT_EMPTY) text = "refused but set vt " + std::to_string(v.vt);
  PropVariantClear(&v);
  return text;
}

struct Probe {
  Directory dir;
  uint16_t tag;
  const char* expected;
};

void ExpectValues(const ExifReader& reader, const std::vector<Probe>& probes) {
  for (const Probe& p : probes) {
    EXPECT_EQ(p.expected, Value(reader, p.dir, p.tag))
        << "directory " << static_cast<int>(p.dir) << " tag " << p.tag;
  }
}

// Holds bytes so that the first byte after them is unreadable: any read past the end
// fails the test with an access violation instead of passing by luck.
class GuardedBytes {
 public:
  explicit GuardedBytes(size_t capacity) {
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    page_ = si.dwPageSize;
    span_ = (capacity / page_ + 1) * page_;
    base_ = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, span_ + page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    if (base_) VirtualProtect(base_ + span_, page_, PAGE_NOACCESS, &old);
  }
  ~GuardedBytes() {
    if (base_) VirtualFree(base_, 0, MEM_RELEASE);
  }
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;

  const uint8_t* Place(const uint8_t* bytes, size_t n) {
    uint8_t* at = base_ + span_ - n;
    if (n) std::memcpy(at, bytes, n);
    return at;
  }
  const uint8_t* Place(const Bytes& bytes) { return Place(bytes.data(), bytes.size()); }

 private:
  size_t page_ = 0, span_ = 0;
  uint8_t* base_ = nullptr;
};

// --- Building TIFF blocks and JPEG files ---------------------------------------------

constexpr uint16_t kAscii = 2, kShort = 3, kLong = 4, kRational = 5;

class Tiff {
 public:
  struct Entry {
    uint16_t tag, type;
    uint32_t count;
    uint8_t field[4];
  };

  explicit Tiff(bool big, uint32_t ifd0 = 8) : big_(big) {
    bytes.assign(8, 0);
    bytes[0] = bytes[1] = big ? 'M' : 'I';
    Put16(2, 42);
    Put32(4, ifd0);
  }

  void Put16(size_t at, uint16_t v) {
    Grow(at + 2);
    Encode16(&bytes[at], v);
  }
  void Put32(size_t at, uint32_t v) {
    Grow(at + 4);
    Encode32(&bytes[at], v);
  }
  void PutText(size_t at, const std::string& text) {
    Grow(at + text.size());
    std::memcpy(&bytes[at], text.data(), text.size());
  }
  void Pad(size_t size, uint8_t fill) {
    if (bytes.size() < size) bytes.resize(size, fill);
  }

  Entry Byte(uint16_t tag, uint8_t v) const { return {tag, 1, 1, {v, 0, 0, 0}}; }
  Entry Short(uint16_t tag, uint16_t v) const {
    Entry e{tag, kShort, 1, {}};
    Encode16(e.field, v);
    return e;
  }
  Entry Long(uint16_t tag, uint32_t v) const { return Raw(tag, kLong, 1, v); }
  // Values of more than four bytes go to `at`.
  Entry Shorts(uint16_t tag, size_t at, const std::vector<uint16_t>& v) {
    Entry e = Raw(tag, kShort, static_cast<uint32_t>(v.size()), static_cast<uint32_t>(at));
    const size_t base = v.size() * 2 <= 4 ? 0 : at;
    if (base == 0) std::memset(e.field, 0, 4);
    for (size_t i = 0; i < v.size(); ++i) {
      if (base) {
        Put16(base + 2 * i, v[i]);
      } else {
        Encode16(e.field + 2 * i, v[i]);
      }
    }
    return e;
  }
  // `text` holds exactly the bytes counted, NULs included.
  Entry Ascii(uint16_t tag, size_t at, const std::string& text) {
    Entry e = Raw(tag, kAscii, static_cast<uint32_t>(text.size()), static_cast<uint32_t>(at));
    if (text.size() <= 4) {
      std::memset(e.field, 0, 4);
      std::memcpy(e.field, text.data(), text.size());
    } else {
      PutText(at, text);
    }
    return e;
  }
  Entry Rationals(uint16_t tag, size_t at, const std::vector<std::pair<uint32_t, uint32_t>>& v) {
    for (size_t i = 0; i < v.size(); ++i) {
      Put32(at + 8 * i, v[i].first);
      Put32(at + 8 * i + 4, v[i].second);
    }
    return Raw(tag, kRational, static_cast<uint32_t>(v.size()), static_cast<uint32_t>(at));
  }
  Entry Raw(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) const {
    Entry e{tag, type, count, {}};
    Encode32(e.field, value);
    return e;
  }

  // Writes a directory at `at`; `claimed` overrides the entry count it states.
  void Ifd(size_t at, const std::vector<Entry>& entries, uint32_t next = 0, int claimed = -1) {
    Put16(at, static_cast<uint16_t>(claimed >= 0 ? claimed : static_cast<int>(entries.size())));
    size_t p = at + 2;
    for (const Entry& e : entries) {
      Put16(p, e.tag);
      Put16(p + 2, e.type);
      Put32(p + 4, e.count);
      Grow(p + 12);
      std::memcpy(&bytes[p + 8], e.field, 4);
      p += 12;
    }
    Put32(p, next);
  }

  Bytes bytes;

 private:
  void Grow(size_t size) {
    if (bytes.size() < size) bytes.resize(size, 0);
  }
  void Encode16(uint8_t* p, uint16_t v) const {
    p[big_ ? 0 : 1] = static_cast<uint8_t>(v >> 8);
    p[big_ ? 1 : 0] = static_cast<uint8_t>(v);
  }
  void Encode32(uint8_t* p, uint32_t v) const {
    for (int i = 0; i < 4; ++i) p[big_ ? 3 - i : i] = static_cast<uint8_t>(v >> (8 * i));
  }
  bool big_;
};

class Jpeg {
 public:
  Jpeg& Raw(const Bytes& b) {
    bytes.insert(bytes.end(), b.begin(), b.end());
    return *this;
  }
  Jpeg& Segment(uint8_t marker, const std::string& payload, size_t stated = 0) {
    const size_t length = stated ? stated : payload.size() + 2;
    Raw({0xFF, marker, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return *this;
  }
  Jpeg& Exif(const Bytes& tiff) {
    Segment(0xE1, std::string("Exif\0\0", 6) + std::string(tiff.begin(), tiff.end()));
    exif_offset = bytes.size() - tiff.size();
    exif_size = tiff.size();
    return *this;
  }
  Jpeg& App0() { return Segment(0xE0, std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14)); }
  Jpeg& Eoi() { return Raw({0xFF, 0xD9}); }

  Bytes bytes{0xFF, 0xD8};
  size_t exif_offset = 0, exif_size = 0;
};

// A small block with an Orientation entry, in either byte order.
Bytes OrientedTiff(bool big, uint16_t orientation_type = kShort) {
  Tiff t(big);
  t.Ifd(8, {t.Ascii(271, 64, std::string("Maker\0", 6)),
            orientation_type == kShort ? t.Short(274, 6) : t.Long(274, 6)});
  return t.bytes;
}

// --- Real camera files -------------------------------------------------------------------

struct RealCase {
  const wchar_t* file;
  Directory dir;
  uint16_t tag;
  const char* expected;
};

TEST(ExifRealFiles, CameraTagsMatchTheirKnownValues) {
  const RealCase cases[] = {
      {L"Canon_40D.jpg", Directory::kIfd0, 271, "STR Canon"},
      {L"Canon_40D.jpg", Directory::kIfd0, 272, "STR Canon EOS 40D"},
      {L"Canon_40D.jpg", Directory::kExif, 33437, "RAT 71/10"},
      {L"Canon_40D.jpg", Directory::kExif, 33434, "RAT 1/160"},
      {L"Canon_40D.jpg", Directory::kExif, 34855, "UI2 100"},
      {L"Canon_40D.jpg", Directory::kExif, 36867, "STR 2008:05:30 15:56:01"},
      {L"Canon_40D.jpg", Directory::kExif, 37383, "UI2 5"},
      {L"Canon_40D.jpg", Directory::kExif, 37385, "UI2 9"},
      {L"Canon_40D.jpg", Directory::kExif, 34850, "UI2 1"},
      {L"Canon_40D.jpg", Directory::kExif, 41987, "UI2 0"},
      {L"Canon_40D.jpg", Directory::kIfd0, 33437, "-"},  // lives in the Exif directory
      {L"Canon_40D.jpg", Directory::kGps, 1, "-"},
      {L"Kodak_CX7530.jpg", Directory::kIfd0, 271, "STR EASTMAN KODAK COMPANY"},
      {L"Kodak_CX7530.jpg", Directory::kIfd0, 272, "STR KODAK CX7530 ZOOM DIGITAL CAMERA"},
      {L"Kodak_CX7530.jpg", Directory::kExif, 36867, "STR 2005:08:13 09:47:23"},
      {L"Kodak_CX7530.jpg", Directory::kExif, 34855, "-"},
      {L"Kodak_CX7530.jpg", Directory::kExif, 37385, "UI2 24"},
      {L"Kodak_CX7530.jpg", Directory::kGps, 1, "STR S"},
      {L"Kodak_CX7530.jpg", Directory::kGps, 2, "RAT[3] 0/1 22278/1000 0/1"},
      {L"Kodak_CX7530.jpg", Directory::kGps, 3, "STR E"},
      {L"Kodak_CX7530.jpg", Directory::kGps, 4, "RAT[3] 36/1 3385/1000 0/1"},
      {L"Nikon_D70.jpg", Directory::kIfd0, 271, "STR NIKON CORPORATION"},
      {L"Nikon_D70.jpg", Directory::kIfd0, 272, "STR NIKON D70"},
      {L"Nikon_D70.jpg", Directory::kExif, 34855, "UI2 200"},
      {L"Nikon_D70.jpg", Directory::kExif, 37383, "UI2 2"},
      {L"Nikon_D70.jpg", Directory::kExif, 37385, "UI2 0"},
      {L"Nikon_D70.jpg", Directory::kExif, 36867, "STR 2008:03:15 09:52:01"},
      {L"hopper_orientation_6.jpg", Directory::kIfd0, 274, "UI2 6"},
  };
  std::map<std::wstring, Bytes> files;
  for (const RealCase& c : cases) {
    SCOPED_TRACE(std::string(c.file, c.file + wcslen(c.file)));
    Bytes& bytes = files[c.file];
    if (bytes.empty()) bytes = ReadData(c.file);
    TiffBlock block;
    ASSERT_TRUE(exif::FindExifBlock(bytes.data(), bytes.size(), &block));
    ExifReader reader;
    ASSERT_TRUE(reader.Parse(bytes.data() + block.offset, block.size));
    EXPECT_TRUE(reader.HasAnyTag());
    ExpectValues(reader, {{c.dir, c.tag, c.expected}});
  }
}

// Cutting a real block anywhere may lose tags, but never reads past the cut and never
// yields a value other than the whole block's; cutting the file before the end of the
// Exif segment finds no block.
TEST(ExifRealFiles, TruncationLosesTagsButNeverMisreads) {
  const std::vector<std::pair<Directory, uint16_t>> tags = {
      {Directory::kIfd0, 271},   {Directory::kIfd0, 272},   {Directory::kIfd0, 274},
      {Directory::kIfd0, 282},   {Directory::kIfd0, 306},   {Directory::kIfd0, 34665},
      {Directory::kIfd0, 34853}, {Directory::kExif, 33434}, {Directory::kExif, 33437},
      {Directory::kExif, 34855}, {Directory::kExif, 36867}, {Directory::kExif, 37383},
      {Directory::kExif, 37386}, {Directory::kGps, 1},      {Directory::kGps, 2},
      {Directory::kGps, 4},      {Directory::kGps, 6},
  };
  for (const wchar_t* file : {L"Canon_40D.jpg", L"Kodak_CX7530.jpg", L"Nikon_D70.jpg",
                              L"hopper_orientation_6.jpg", L"bad\\jpeg\\hopper_bad_exif.jpg"}) {
    SCOPED_TRACE(std::string(file, file + wcslen(file)));
    const Bytes bytes = ReadData(file);
    TiffBlock block;
    ASSERT_TRUE(exif::FindExifBlock(bytes.data(), bytes.size(), &block));
    const size_t block_end = block.offset + block.size;
    ASSERT_LE(block_end, bytes.size());

    GuardedBytes guard(bytes.size());
    for (size_t cut = 0; cut <= block_end + 16 && cut <= bytes.size(); ++cut) {
      TiffBlock found;
      const bool ok = exif::FindExifBlock(guard.Place(bytes.data(), cut), cut, &found);
      ASSERT_EQ(cut >= block_end, ok) << "file cut at " << cut;
      if (ok) {
        ASSERT_EQ(block.offset, found.offset);
        ASSERT_EQ(block.size, found.size);
      }
    }

    ExifReader whole;
    ASSERT_TRUE(whole.Parse(guard.Place(bytes.data() + block.offset, block.size), block.size));
    std::vector<std::string> full;
    for (const auto& t : tags) full.push_back(Value(whole, t.first, t.second));

    for (size_t cut = 0; cut <= block.size; ++cut) {
      ExifReader reader;
      reader.Parse(guard.Place(bytes.data() + block.offset, cut), cut);
      for (size_t i = 0; i < tags.size(); ++i) {
        const std::string v = Value(reader, tags[i].first, tags[i].second);
        if (v != "-" && v != full[i]) {
          ADD_FAILURE() << "block cut at " << cut << ", tag " << tags[i].second << ": " << v
                        << " instead of " << full[i];
          return;
        }
      }
    }
  }
}

// --- Synthesized blocks ------------------------------------------------------------------

TEST(ExifSynthetic, BothByteOrdersGiveTheSameValues) {
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    Tiff t(big);
    t.Ifd(8, {t.Ascii(271, 300, std::string("Maker\0", 6)),
              t.Short(274, 6),
              t.Ascii(305, 0, std::string("ab\0", 3)),
              t.Long(256, 70000),
              t.Shorts(530, 0, {2, 1}),
              t.Shorts(258, 310, {8, 16, 32}),
              t.Long(34665, 120),
              t.Long(34853, 240)});
    t.Ifd(120, {t.Rationals(33437, 320, {{71, 10}}),
                t.Short(34855, 100),
                t.Rationals(33434, 328, {{1, 160}}),
                t.Ascii(37510, 336, std::string("ab\0cd", 5)),
                t.Ascii(36867, 344, "Canon"),
                t.Raw(33435, 12, 1, 352),   // DOUBLE: not offered
                t.Raw(37380, 10, 1, 360),   // SRATIONAL: not offered
                t.Raw(37381, kLong, 2, 368),
                t.Raw(37382, kShort, 0, 0)});  // no value at all
    t.Ifd(240, {t.Ascii(1, 0, std::string("S\0", 2)),
                t.Rationals(2, 400, {{0, 1}, {22278, 1000}, {0, 1}}),
                t.Byte(5, 1),
                t.Raw(0, 1, 4, 0x03020202)});  // four BYTEs: not offered
    t.Pad(448, 0);

    ExifReader reader;
    ASSERT_TRUE(reader.Parse(t.bytes.data(), t.bytes.size()));
    EXPECT_EQ(big, reader.big_endian());
    EXPECT_TRUE(reader.HasAnyTag());
    EXPECT_EQ(8u + 2 + 12 * 1 + 8, reader.OrientationValueOffset());
    ExpectValues(reader, {
        {Directory::kIfd0, 271, "STR Maker"},
        {Directory::kIfd0, 274, "UI2 6"},
        {Directory::kIfd0, 305, "STR ab"},
        {Directory::kIfd0, 256, "UI4 70000"},
        {Directory::kIfd0, 530, "UI2[2] 2 1"},
        {Directory::kIfd0, 258, "UI2[3] 8 16 32"},
        {Directory::kIfd0, 33437, "-"},
        {Directory::kExif, 274, "-"},
        {Directory::kExif, 33437, "RAT 71/10"},
        {Directory::kExif, 34855, "UI2 100"},
        {Directory::kExif, 33434, "RAT 1/160"},
        {Directory::kExif, 37510, "STR ab"},
        {Directory::kExif, 36867, "STR Canon"},
        {Directory::kExif, 33435, "-"},
        {Directory::kExif, 37380, "-"},
        {Directory::kExif, 37381, "-"},
        {Directory::kExif, 37382, "-"},
        {Directory::kGps, 1, "STR S"},
        {Directory::kGps, 2, "RAT[3] 0/1 22278/1000 0/1"},
        {Directory::kGps, 5, "UI1 1"},
        {Directory::kGps, 0, "-"},
        {Directory::kGps, 34855, "-"},
    });
  }
}

TEST(ExifSynthetic, DirectoryLoopsStop) {
  struct Case {
    const char* name;
    Bytes (*build)(bool big);
    std::vector<Probe> probes;
  } cases[] = {
      {"Exif pointer to IFD0",
       [](bool big) {
         Tiff t(big);
         t.Ifd(8, {t.Short(274, 6), t.Long(34665, 8)});
         return t.bytes;
       },
       {{Directory::kIfd0, 274, "UI2 6"}, {Directory::kExif, 274, "-"}}},
      {"GPS pointer to the Exif directory",
       [](bool big) {
         Tiff t(big);
         t.Ifd(8, {t.Long(34665, 64), t.Long(34853, 64)});
         t.Ifd(64, {t.Short(34855, 100)});
         return t.bytes;
       },
       {{Directory::kExif, 34855, "UI2 100"}, {Directory::kGps, 34855, "-"}}},
      {"Exif directory pointing at itself and at IFD0",
       [](bool big) {
         Tiff t(big);
         t.Ifd(8, {t.Short(274, 6), t.Long(34665, 64)});
         t.Ifd(64, {t.Short(34855, 100), t.Long(34665, 64), t.Long(34853, 8)}, 64);
         return t.bytes;
       },
       {{Directory::kIfd0, 274, "UI2 6"}, {Directory::kExif, 34855, "UI2 100"},
        {Directory::kGps, 274, "-"}, {Directory::kExif, 274, "-"}}},
      {"IFD0 chained to itself",
       [](bool big) {
         Tiff t(big);
         t.Ifd(8, {t.Short(274, 6)}, 8);
         return t.bytes;
       },
       {{Directory::kIfd0, 274, "UI2 6"}}},
  };
  for (const Case& c : cases) {
    for (bool big : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (big ? ", big-endian" : ", little-endian"));
      const Bytes bytes = c.build(big);
      GuardedBytes guard(bytes.size());
      ExifReader reader;
      ASSERT_TRUE(reader.Parse(guard.Place(bytes), bytes.size()));
      ExpectValues(reader, c.probes);
    }
  }
}

// Each case puts one hostile entry or pointer beside a good Orientation entry in a block
// of exactly 64 bytes that ends at an unreadable page.
TEST(ExifSynthetic, EntriesPastTheEndAreDropped) {
  constexpr uint16_t kBad = 0x9999;
  struct Case {
    const char* name;
    uint16_t tag, type;
    uint32_t count, value;
    const char* bad_value;  // what the hostile entry itself reads as
    int claimed;            // entry count IFD0 states, -1 for the true count
  } cases[] = {
      {"ASCII running past the end", kBad, kAscii, 20, 54, "-", -1},
      {"ASCII ending exactly at the end", kBad, kAscii, 10, 54, "STR AAAAAAAAAA", -1},
      {"offset past the end", kBad, kAscii, 8, 0xFFFFFFFF, "-", -1},
      {"offset plus count wrapping 32 bits", kBad, kAscii, 16, 0xFFFFFFF8, "-", -1},
      {"RATIONAL size wrapping to 0", kBad, kRational, 0x20000000, 16, "-", -1},
      {"RATIONAL count 0xFFFFFFFF", kBad, kRational, 0xFFFFFFFF, 16, "-", -1},
      {"SHORT size wrapping to look inline", kBad, kShort, 0x80000001, 0x00060006, "-", -1},
      {"LONG size wrapping to look inline", kBad, kLong, 0x40000001, 6, "-", -1},
      {"ASCII count 0xFFFFFFFF inline", kBad, kAscii, 0xFFFFFFFF, 0x41414141, "-", -1},
      {"unknown type", kBad, 99, 1, 6, "-", -1},
      {"Exif pointer past the end", 34665, kLong, 1, 0xFFFFFFF0, "UI4 4294967280", -1},
      {"Exif pointer to the last byte", 34665, kLong, 1, 63, "UI4 63", -1},
      {"Exif pointer to the end", 34665, kLong, 1, 64, "UI4 64", -1},
      {"Exif directory with no room for entries", 34665, kLong, 1, 52, "UI4 52", -1},
      {"GPS pointer into the header", 34853, kLong, 1, 0, "UI4 0", -1},
      {"IFD0 claims 65535 entries", kBad, kShort, 1, 7, "UI2 7", 0xFFFF},
  };
  for (const Case& c : cases) {
    for (bool big : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (big ? ", big-endian" : ", little-endian"));
      Tiff t(big);
      t.Ifd(8, {t.Short(274, 6), t.Raw(c.tag, c.type, c.count, c.value)}, 0, c.claimed);
      if (c.type == kShort && c.count == 1) {
        t.Ifd(8, {t.Short(274, 6), t.Short(c.tag, static_cast<uint16_t>(c.value))}, 0, c.claimed);
      }
      t.Pad(64, 'A');
      t.Put16(52, 0xFFFF);  // what a directory at 52 would claim
      ASSERT_EQ(64u, t.bytes.size());
      GuardedBytes guard(t.bytes.size());
      ExifReader reader;
      ASSERT_TRUE(reader.Parse(guard.Place(t.bytes), t.bytes.size()));
      ExpectValues(reader, {{Directory::kIfd0, 274, "UI2 6"},
                            {Directory::kIfd0, c.tag, c.bad_value},
                            {Directory::kExif, 0x4141, "-"}});
    }
  }
}

TEST(ExifSynthetic, BadHeadersFailParse) {
  using S = std::string;
  const struct {
    S bytes;
    bool parses;
  } cases[] = {
      {S(), false},
      {S("II*\0\x08\0\0", 7), false},
      {S("II*\0\x08\0\0\0", 8), true},
      {S("MM\0*\0\0\0\x08", 8), true},
      {S("II*\0\0\x10\0\0", 8), true},  // IFD0 past the end: a header, but no tags
      {S("II\0*\0\0\0\x08", 8), false},
      {S("MM*\0\x08\0\0\0", 8), false},
      {S("IM*\0\x08\0\0\0", 8), false},
      {S("II+\0\x08\0\0\0\0\0\0\0\x10\0\0\0", 16), false},
      {S("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11), false},
  };
  const Bytes oriented = OrientedTiff(false);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    ExifReader reader;
    ASSERT_TRUE(reader.Parse(oriented.data(), oriented.size()));  // stale state must not survive
    GuardedBytes guard(c.bytes.size());
    const uint8_t* at =
        guard.Place(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size());
    EXPECT_EQ(c.parses, reader.Parse(at, c.bytes.size()));
    EXPECT_FALSE(reader.HasAnyTag());
    EXPECT_EQ(0u, reader.OrientationValueOffset());
    EXPECT_EQ("-", Value(reader, Directory::kIfd0, 274));
  }
}

// --- Finding the block in a JPEG ---------------------------------------------------------

TEST(ExifFindBlock, WalksSegmentsToTheFirstExifApp1) {
  const Bytes tiff = OrientedTiff(true);
  struct Case {
    const char* name;
    Jpeg jpeg;
    bool found;
  };
  std::vector<Case> cases;
  cases.push_back({"after APP0", Jpeg().App0().Exif(tiff).Eoi(), true});
  cases.push_back({"right after SOI", Jpeg().Exif(tiff), true});
  cases.push_back({"after an XMP APP1",
                   Jpeg().Segment(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0<x/>", 34))
                       .Exif(tiff).Eoi(),
                   true});
  cases.push_back({"only the first Exif APP1",
                   Jpeg().Exif(tiff).Segment(0xE1, std::string("Exif\0\0MM\0*\0\0\0\x08", 14)),
                   true});
  cases.push_back({"after fill bytes", Jpeg().Raw({0xFF, 0xFF, 0xFF}).Exif(tiff), true});
  cases.push_back({"empty Exif payload", Jpeg().Exif({}), true});
  cases.push_back({"after the scan starts",
                   Jpeg().App0().Segment(0xDA, std::string(10, '\0')).Exif(tiff), false});
  cases.push_back({"after EOI", Jpeg().Eoi().Exif(tiff), false});
  cases.push_back({"behind a segment longer than the file",
                   Jpeg().Segment(0xE0, "JFIF", 0xFFFF).Exif(tiff), false});
  cases.push_back({"behind a length below 2", Jpeg().Segment(0xE0, "", 1).Exif(tiff), false});
  cases.push_back({"behind bytes that are no marker", Jpeg().Raw({0x00}).Exif(tiff), false});
  cases.push_back({"with a short identifier at the end of the file",
                   Jpeg().Segment(0xE1, std::string("Exif\0", 5)), false});
  cases.push_back({"with an identifier of another kind",
                   Jpeg().Segment(0xE1, std::string("Exif\0\1MM\0*\0\0\0\x08", 14)).Eoi(), false});
  Jpeg no_soi;
  no_soi.bytes = {0xFF, 0xE0};
  no_soi.Exif(tiff);
  cases.push_back({"without SOI", no_soi, false});
  cases.push_back({"no Exif at all", Jpeg().App0().Eoi(), false});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes& bytes = c.jpeg.bytes;
    GuardedBytes guard(bytes.size());
    TiffBlock block;
    ASSERT_EQ(c.found, exif::FindExifBlock(guard.Place(bytes), bytes.size(), &block));
    if (c.found) {
      EXPECT_EQ(c.jpeg.exif_offset, block.offset);
      EXPECT_EQ(c.jpeg.exif_size, block.size);
    }
  }
}

// --- Query paths -------------------------------------------------------------------------

TEST(ExifQueryPath, AcceptsOnlyTheViewerForms) {
  const struct {
    const wchar_t* path;
    bool ok;
    Directory dir;
    uint16_t tag;
  } cases[] = {
      {L"/app1/ifd/{ushort=274}", true, Directory::kIfd0, 274},
      {L"/app1/ifd/exif/{ushort=33437}", true, Directory::kExif, 33437},
      {L"/app1/ifd/gps/{ushort=0}", true, Directory::kGps, 0},
      {L"/app1/ifd/gps/{ushort=2}", true, Directory::kGps, 2},
      {L"/app1/ifd/{ushort=65535}", true, Directory::kIfd0, 65535},
      {L"/app1/ifd/exif/{ushort=00042}", true, Directory::kExif, 42},
      {L"/app1/ifd/{ushort=65536}", false},
      {L"/app1/ifd/{ushort=4294967570}", false},  // 274 after a 32-bit wrap
      {L"/app1/ifd/{ushort=99999999999999999999}", false},
      {L"/app1/ifd/{ushort=}", false},
      {L"/app1/ifd/{ushort=27a}", false},
      {L"/app1/ifd/{ushort=-1}", false},
      {L"/app1/ifd/{ushort=274", false},
      {L"/app1/ifd/{ushort=274}/", false},
      {L"/app1/ifd/{ushort=274}x", false},
      {L"/app1/ifd/exif/{uint=33437}", false},
      {L"/app1/ifd/interop/{ushort=1}", false},
      {L"/app13/ifd/{ushort=274}", false},
      {L"/ifd/{ushort=274}", false},
      {L"/app1/ifd/exif", false},
      {L"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.path)));
    Directory dir = Directory::kGps;
    uint16_t tag = 12345;
    ASSERT_EQ(c.ok, exif::ParseQueryPath(c.path, &dir, &tag));
    if (c.ok) {
      EXPECT_EQ(c.dir, dir);
      EXPECT_EQ(c.tag, tag);
    }
  }
}

// --- Patching the orientation --------------------------------------------------------------

TEST(ExifPatchOrientation, ChangesOnlyTheTwoValueBytes) {
  std::vector<std::pair<std::string, Bytes>> files = {
      {"hopper_orientation_6.jpg", ReadData(L"hopper_orientation_6.jpg")},
      {"little-endian", Jpeg().App0().Exif(OrientedTiff(false)).Eoi().bytes},
      {"big-endian", Jpeg().App0().Exif(OrientedTiff(true)).Eoi().bytes},
  };
  for (const auto& [name, original] : files) {
    TiffBlock block;
    ASSERT_TRUE(exif::FindExifBlock(original.data(), original.size(), &block)) << name;
    ExifReader before;
    ASSERT_TRUE(before.Parse(original.data() + block.offset, block.size)) << name;
    ASSERT_EQ("UI2 6", Value(before, Directory::kIfd0, 274)) << name;
    ASSERT_NE(0u, before.OrientationValueOffset()) << name;
    const size_t at = block.offset + before.OrientationValueOffset();

    for (uint16_t value : {1, 8, 0x0201}) {
      SCOPED_TRACE(name + " set to " + std::to_string(value));
      Bytes bytes = original;
      ASSERT_TRUE(exif::PatchOrientation(bytes, value));
      ASSERT_EQ(original.size(), bytes.size());
      for (size_t i = 0; i < bytes.size(); ++i) {
        if (i != at && i != at + 1) {
          ASSERT_EQ(original[i], bytes[i]) << "byte " << i;
        }
      }
      ExifReader after;
      ASSERT_TRUE(after.Parse(bytes.data() + block.offset, block.size));
      EXPECT_EQ("UI2 " + std::to_string(value), Value(after, Directory::kIfd0, 274));
    }
  }
}

TEST(ExifPatchOrientation, LeavesFilesWithoutAnEntryUntouched) {
  Tiff no_orientation(false);
  no_orientation.Ifd(8, {no_orientation.Short(296, 2)});
  Tiff exif_only(true);
  exif_only.Ifd(8, {exif_only.Long(34665, 26)});
  exif_only.Ifd(26, {exif_only.Short(274, 6)});
  const std::pair<const char*, Bytes> cases[] = {
      {"no Exif block", Jpeg().App0().Eoi().bytes},
      {"Exif after the scan",
       Jpeg().Segment(0xDA, std::string(4, '\0')).Exif(OrientedTiff(false)).bytes},
      {"no Orientation entry", Jpeg().Exif(no_orientation.bytes).Eoi().bytes},
      {"Orientation stored as LONG", Jpeg().Exif(OrientedTiff(false, kLong)).Eoi().bytes},
      {"Orientation only in the Exif directory", Jpeg().Exif(exif_only.bytes).Eoi().bytes},
      {"bad TIFF header", Jpeg().Exif({'I', 'I', 0, 42, 8, 0, 0, 0}).Eoi().bytes},
      {"empty file", Bytes()},
  };
  for (const auto& [name, original] : cases) {
    SCOPED_TRACE(name);
    Bytes bytes = original;
    EXPECT_FALSE(exif::PatchOrientation(bytes, 1));
    EXPECT_EQ(original, bytes);
  }
}

TEST(ExifPatchOrientation, DamagedFileIsPatchedOrLeftAlone) {
  const Bytes original = ReadData(L"bad\\jpeg\\hopper_bad_exif.jpg");
  ASSERT_FALSE(original.empty());
  Bytes bytes = original;
  const bool patched = exif::PatchOrientation(bytes, 3);
  size_t changed = 0;
  for (size_t i = 0; i < bytes.size(); ++i) changed += bytes[i] != original[i];
  EXPECT_LE(changed, patched ? 2u : 0u);
}

}  // namespace
