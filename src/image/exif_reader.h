// A bounded reader of the TIFF structure inside a JPEG's APP1 "Exif" block, for systems
// whose metadata query reader answers nothing. It gives tag values in the same typed
// form as the query reader, so the same conversion code serves both.
#pragma once
#include <windows.h>
#include <propidl.h>

#include <cstdint>
#include <string>
#include <vector>

namespace exif {

enum class Directory { kIfd0, kExif, kGps };

// Where the TIFF header of the first APP1 "Exif\0\0" segment lies in a JPEG file's bytes.
struct TiffBlock {
  size_t offset = 0;  // of the TIFF header, from the start of the file
  size_t size = 0;    // bytes from there to the end of the segment
};
bool FindExifBlock(const uint8_t* jpeg, size_t size, TiffBlock* block);

class ExifReader {
 public:
  // False when the bytes do not start with a valid TIFF header.
  bool Parse(const uint8_t* tiff, size_t size);
  // A tag's value as the query reader would give it: SHORT as VT_UI2, LONG as VT_UI4,
  // BYTE as VT_UI1, ASCII as VT_LPSTR, RATIONAL as VT_UI8 (numerator in the low 32 bits)
  // or, for several, VT_VECTOR | VT_UI8; other types and counts are not offered. The
  // caller clears the value with PropVariantClear.
  bool Get(Directory dir, uint16_t tag, PROPVARIANT* value) const;
  // Offset within the TIFF block of IFD0's Orientation value, when the entry exists
  // as a SHORT; 0 otherwise.
  size_t OrientationValueOffset() const;
  bool big_endian() const { return big_endian_; }
  bool HasAnyTag() const;

 private:
  struct Entry {
    Directory dir;
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    size_t value_offset;  // within the block, bounds already checked
  };
  uint16_t U16(size_t at) const;
  uint32_t U32(size_t at) const;
  void ReadDirectory(Directory dir, size_t offset, int depth);

  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  bool big_endian_ = false;
  std::vector<Entry> entries_;
  std::vector<size_t> visited_;  // directory offsets already read, so a loop stops
};

// Parses a metadata query path such as "/app1/ifd/exif/{ushort=33437}".
bool ParseQueryPath(const wchar_t* path, Directory* dir, uint16_t* tag);

// Sets the Orientation value of IFD0 inside a JPEG file's bytes. False (bytes untouched)
// when there is no Exif block or no Orientation entry to patch.
bool PatchOrientation(std::vector<uint8_t>& jpeg, uint16_t value);

}  // namespace exif
