// Photo facts read from a frame's EXIF and GPS tags, already turned into display text,
// and the two ways the orientation tag is changed.
#pragma once
#include <windows.h>
#include <propidl.h>

#include <string>

struct IWICBitmapFrameDecode;

struct ImageMetadata {
  std::wstring date_taken;
  int orientation = 0;  // 1..8; 0 means none
  std::wstring location;  // "lat,lon" with six decimals, or empty
  int resolution = 0;     // dots per inch
  std::wstring make;
  std::wstring model;
  std::wstring lens;
  std::wstring f_number;
  std::wstring max_aperture;
  std::wstring exposure_time;
  std::wstring iso;
  std::wstring focal_length;
  std::wstring metering_mode;
  std::wstring flash;
  std::wstring white_balance;
  std::wstring exposure_program;

  // Turns the orientation by 90 degrees and returns the new value.
  int RotateOrientation(bool clockwise);
};

// Where tag values come from: the platform's metadata query reader, or our own reader.
class IMetadataQuery {
 public:
  virtual ~IMetadataQuery() = default;
  // The value at a query path ("/app1/ifd/{ushort=274}"); the caller clears it.
  virtual bool Get(const wchar_t* path, PROPVARIANT* value) = 0;
};

// Fills every tag field (not the resolution) from the query.
void ReadMetadataFrom(IMetadataQuery& query, ImageMetadata* metadata);
// A coordinate from GPS value/reference tags: "%f", negated for the given reference.
std::wstring ReadCoordinate(IMetadataQuery& query, int value_tag, int reference_tag, const wchar_t* negative_ref);
// The frame's metadata; when the platform reader yields no tag and the file is a JPEG
// with an Exif block, the same tags are read from the file by our own reader.
ImageMetadata ReadMetadata(IWICBitmapFrameDecode* frame, const std::wstring& file_path);

// Writes a new orientation tag into a JPEG without re-encoding it. The file is replaced
// only by a complete, checked copy; after any failure it is byte-for-byte unchanged.
bool WriteOrientationInPlace(const std::wstring& path, int orientation);
