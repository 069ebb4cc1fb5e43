// Which files the viewer opens, by extension. Non-zero means a picture; 1 to 5 (BMP,
// JPEG, GIF, TIFF, PNG) are the formats it can also write.
#pragma once
#include <string>

enum ImageFormatClass {
  kNotAnImage = 0,
  kFormatBmp = 1,
  kFormatJpeg = 2,
  kFormatGif = 3,
  kFormatTiff = 4,
  kFormatPng = 5,
  kFormatIco = 6,
};

int ClassifyImageFile(const std::wstring& path);
inline bool IsWritableFormat(int format_class) { return format_class >= 1 && format_class <= 5; }
