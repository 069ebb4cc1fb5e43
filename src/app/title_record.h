// The one line of text in the frame's top strip: name, size, pixel count, date, folder
// position and zoom of the shown picture. It is also the frame's window text, which is
// "Vantor" while no picture is open: other launches look for that to find an idle viewer.
#pragma once
#include <windows.h>

#include <string>

struct TitleFields {
  std::wstring file_name;
  int width = 0;
  int height = 0;
  std::wstring position;
  int zoom_percent = 100;
  std::wstring date;
};

// The language's words: TITLE 10-13 for the pixel count, 40 and 41 around the position.
struct TitleWords {
  std::wstring pixels[4];  // TITLE 10, 11, 12, 13
  std::wstring before_position, after_position;
  static TitleWords FromLanguageFile();
};

// Builds the title text; empty without a file name.
std::wstring BuildTitleText(const TitleFields& fields, const TitleWords& words, bool chinese);
std::wstring PixelCountText(long long width, long long height, const TitleWords& words, bool chinese);
// The name as shown: at most 10 characters, then "..." and the extension.
std::wstring ShortTitleName(const std::wstring& file_name);

class CTitleRecord {
 public:
  CTitleRecord();

  // date_text: the picture's recorded date as stored ("2026:06:14 18:42:07"), or empty.
  void SetPicture(const std::wstring& path, const std::wstring& date_text, int width, int height);
  void SetSize(int width, int height);
  void SetPosition(int index, int count);
  void SetZoom(double factor);
  void Clear();
  bool HasFile() const { return !fields_.file_name.empty(); }
  std::wstring Text() const;

  // Rebuilds the text and shows it in the frame's item 1025 and window text.
  void Refresh();

 private:
  std::wstring app_name_;
  TitleFields fields_;
};

CTitleRecord& GetTitleRecord();
