#include "image/exif_reader.h"

#include <objbase.h>

#include <algorithm>
#include <cstring>

namespace exif {

namespace {

constexpr uint16_t kTypeByte = 1;
constexpr uint16_t kTypeAscii = 2;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;
constexpr uint16_t kTypeRational = 5;
constexpr uint16_t kTypeIfd = 13;

constexpr uint16_t kTagOrientation = 274;
constexpr uint16_t kTagExifIfd = 34665;
constexpr uint16_t kTagGpsIfd = 34853;

constexpr size_t kEntrySize = 12;
constexpr size_t kHeaderSize = 8;
constexpr int kMaxDepth = 4;

// Bytes per value; 0 for types we cannot size, whose entries are dropped.
uint64_t TypeSize(uint16_t type) {
  switch (type) {
    case 1: case 2: case 6: case 7: return 1;
    case 3: case 8: return 2;
    case 4: case 9: case 11: case 13: return 4;
    case 5: case 10: case 12: return 8;
    default: return 0;
  }
}

}  // namespace

bool FindExifBlock(const uint8_t* jpeg, size_t size, TiffBlock* block) {
  if (!jpeg || !block || size < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return false;
  static const uint8_t kExifId[6] = {'E', 'x', 'i', 'f', 0, 0};
  size_t pos = 2;
  while (pos < size) {
    if (jpeg[pos] != 0xFF) return false;  // not a marker: the stream is damaged
    while (pos < size && jpeg[pos] == 0xFF) ++pos;  // fill bytes
    if (pos >= size) return false;
    const uint8_t marker = jpeg[pos++];
    if (marker == 0xDA || marker == 0xD9) return false;  // metadata comes before the scan
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length field
    if (size - pos < 2) return false;
    const size_t length = (size_t{jpeg[pos]} << 8) | jpeg[pos + 1];
    if (length < 2 || length > size - pos) return false;
    if (marker == 0xE1 && length >= 2 + sizeof(kExifId) &&
        std::memcmp(jpeg + pos + 2, kExifId, sizeof(kExifId)) == 0) {
      block->offset = pos + 2 + sizeof(kExifId);
      block->size = length - 2 - sizeof(kExifId);
      return true;
    }
    pos += length;
  }
  return false;
}

uint16_t ExifReader::U16(size_t at) const {
  const uint8_t* p = data_ + at;
  return big_endian_ ? static_cast<uint16_t>((p[0] << 8) | p[1])
                     : static_cast<uint16_t>((p[1] << 8) | p[0]);
}

uint32_t ExifReader::U32(size_t at) const {
  const uint8_t* p = data_ + at;
  if (big_endian_) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
  }
  return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

bool ExifReader::Parse(const uint8_t* tiff, size_t size) {
  data_ = nullptr;
  size_ = 0;
  big_endian_ = false;
  entries_.clear();
  visited_.clear();
  if (!tiff || size < kHeaderSize) return false;
  if (tiff[0] == 'I' && tiff[1] == 'I') {
    big_endian_ = false;
  } else if (tiff[0] == 'M' && tiff[1] == 'M') {
    big_endian_ = true;
  } else {
    return false;
  }
  data_ = tiff;
  size_ = size;
  if (U16(2) != 42) {
    data_ = nullptr;
    size_ = 0;
    return false;
  }
  ReadDirectory(Directory::kIfd0, U32(4), 0);
  return true;
}

void ExifReader::ReadDirectory(Directory dir, size_t offset, int depth) {
  if (depth > kMaxDepth) return;
  // A directory inside the header, or past the end, is no directory.
  if (offset < kHeaderSize || offset >= size_ || size_ - offset < 2) return;
  if (std::find(visited_.begin(), visited_.end(), offset) != visited_.end()) return;
  visited_.push_back(offset);

  const size_t fit = (size_ - offset - 2) / kEntrySize;
  const size_t count = std::min<size_t>(U16(offset), fit);
  for (size_t i = 0; i < count; ++i) {
    const size_t at = offset + 2 + i * kEntrySize;
    Entry e{dir, U16(at), U16(at + 2), U32(at + 4), 0};
    const uint64_t unit = TypeSize(e.type);
    if (unit == 0 || e.count == 0) continue;
    const uint64_t bytes = unit * e.count;
    if (bytes <= 4) {
      e.value_offset = at + 8;
    } else {
      const uint64_t where = U32(at + 8);
      if (where > size_ || bytes > size_ - where) continue;
      e.value_offset = static_cast<size_t>(where);
    }
    entries_.push_back(e);

    if (dir == Directory::kIfd0 && e.count == 1 &&
        (e.type == kTypeLong || e.type == kTypeIfd) &&
        (e.tag == kTagExifIfd || e.tag == kTagGpsIfd)) {
      const Directory sub = e.tag == kTagExifIfd ? Directory::kExif : Directory::kGps;
      ReadDirectory(sub, U32(e.value_offset), depth + 1);
    }
  }
  // IFD1 after this one holds only the thumbnail, so the chain is not followed.
}

bool ExifReader::Get(Directory dir, uint16_t tag, PROPVARIANT* value) const {
  if (!value) return false;
  PropVariantInit(value);
  const Entry* e = nullptr;
  for (const Entry& candidate : entries_) {
    if (candidate.dir == dir && candidate.tag == tag) {
      e = &candidate;
      break;
    }
  }
  if (!e) return false;

  const size_t at = e->value_offset;
  switch (e->type) {
    case kTypeByte:
      if (e->count != 1) return false;
      value->vt = VT_UI1;
      value->bVal = data_[at];
      return true;
    case kTypeAscii: {
      const uint8_t* text = data_ + at;
      const size_t length = std::find(text, text + e->count, 0) - text;
      char* copy = static_cast<char*>(CoTaskMemAlloc(length + 1));
      if (!copy) return false;
      std::memcpy(copy, text, length);
      copy[length] = '\0';
      value->vt = VT_LPSTR;
      value->pszVal = copy;
      return true;
    }
    case kTypeShort:
      if (e->count == 1) {
        value->vt = VT_UI2;
        value->uiVal = U16(at);
        return true;
      } else {
        USHORT* items = static_cast<USHORT*>(CoTaskMemAlloc(sizeof(USHORT) * size_t{e->count}));
        if (!items) return false;
        for (uint32_t i = 0; i < e->count; ++i) items[i] = U16(at + 2 * size_t{i});
        value->vt = VT_VECTOR | VT_UI2;
        value->caui.cElems = e->count;
        value->caui.pElems = items;
        return true;
      }
    case kTypeLong:
      if (e->count != 1) return false;
      value->vt = VT_UI4;
      value->ulVal = U32(at);
      return true;
    case kTypeRational: {
      // Numerator in the low half, as the platform's query reader gives it.
      auto rational = [&](size_t where) {
        return (static_cast<ULONGLONG>(U32(where + 4)) << 32) | U32(where);
      };
      if (e->count == 1) {
        value->vt = VT_UI8;
        value->uhVal.QuadPart = rational(at);
        return true;
      }
      auto* items = static_cast<ULARGE_INTEGER*>(
          CoTaskMemAlloc(sizeof(ULARGE_INTEGER) * size_t{e->count}));
      if (!items) return false;
      for (uint32_t i = 0; i < e->count; ++i) items[i].QuadPart = rational(at + 8 * size_t{i});
      value->vt = VT_VECTOR | VT_UI8;
      value->cauh.cElems = e->count;
      value->cauh.pElems = items;
      return true;
    }
    default:
      return false;
  }
}

size_t ExifReader::OrientationValueOffset() const {
  for (const Entry& e : entries_) {
    if (e.dir == Directory::kIfd0 && e.tag == kTagOrientation) {
      return e.type == kTypeShort && e.count == 1 ? e.value_offset : 0;
    }
  }
  return 0;
}

bool ExifReader::HasAnyTag() const { return !entries_.empty(); }

bool ParseQueryPath(const wchar_t* path, Directory* dir, uint16_t* tag) {
  if (!path || !dir || !tag) return false;
  static const struct {
    const wchar_t* prefix;
    Directory dir;
  } kPrefixes[] = {
      {L"/app1/ifd/{ushort=", Directory::kIfd0},
      {L"/app1/ifd/exif/{ushort=", Directory::kExif},
      {L"/app1/ifd/gps/{ushort=", Directory::kGps},
  };
  for (const auto& p : kPrefixes) {
    const size_t n = wcslen(p.prefix);
    if (wcsncmp(path, p.prefix, n) != 0) continue;
    const wchar_t* s = path + n;
    uint32_t number = 0;
    size_t digits = 0;
    for (; *s >= L'0' && *s <= L'9'; ++s, ++digits) {
      number = number * 10 + static_cast<uint32_t>(*s - L'0');
      if (number > 0xFFFF) return false;
    }
    if (digits == 0 || s[0] != L'}' || s[1] != L'\0') return false;
    *dir = p.dir;
    *tag = static_cast<uint16_t>(number);
    return true;
  }
  return false;
}

bool PatchOrientation(std::vector<uint8_t>& jpeg, uint16_t value) {
  TiffBlock block;
  if (!FindExifBlock(jpeg.data(), jpeg.size(), &block)) return false;
  ExifReader reader;
  if (!reader.Parse(jpeg.data() + block.offset, block.size)) return false;
  const size_t at = reader.OrientationValueOffset();
  if (at == 0) return false;
  uint8_t* p = jpeg.data() + block.offset + at;
  const uint8_t high = static_cast<uint8_t>(value >> 8), low = static_cast<uint8_t>(value);
  p[0] = reader.big_endian() ? high : low;
  p[1] = reader.big_endian() ? low : high;
  return true;
}

}  // namespace exif
