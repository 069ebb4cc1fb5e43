#include "app/title_record.h"

#include <shlwapi.h>

#include "app/lang_strings.h"
#include "framework/win_app.h"
#include "framework/wnd.h"
#include "resources/resource.h"

namespace {
constexpr UINT kMsgPlaceTitle = 0x5220;
constexpr int kTitleHeight = 29;
}  // namespace

TitleWords TitleWords::FromLanguageFile() {
  TitleWords words;
  for (int i = 0; i < 4; ++i) words.pixels[i] = lang_strings::GetText(L"TITLE", 10 + i);
  words.before_position = lang_strings::GetText(L"TITLE", 40);
  words.after_position = lang_strings::GetText(L"TITLE", 41);
  return words;
}

std::wstring ShortTitleName(const std::wstring& file_name) {
  if (file_name.size() <= 10) return file_name;
  size_t dot = file_name.rfind(L'.');
  std::wstring ext = dot == std::wstring::npos ? L"" : file_name.substr(dot + 1);
  return file_name.substr(0, 10) + L"..." + ext;
}

std::wstring PixelCountText(long long width, long long height, const TitleWords& words, bool chinese) {
  // 64 bits: a 60000 x 40000 panorama has more pixels than a 32-bit count holds.
  const long long p = width * height;
  wchar_t text[256] = {};
  if (!chinese) {
    if (p <= 1000000) return L"";
    swprintf(text, 256, L"%lldM %ls", p / 1000000, words.pixels[0].c_str());
    return text;
  }
  if (p < 1000000) return L"";
  if (p < 10000000) {
    swprintf(text, 256, L"%ls%lld%ls", words.pixels[3].c_str(), p / 1000000, words.pixels[2].c_str());
    return text;
  }
  const long long t = p / 10000000, r = (p % 10000000) / 1000000;
  if (r == 0)
    swprintf(text, 256, L"%lld%ls", t, words.pixels[0].c_str());
  else
    swprintf(text, 256, L"%lld%ls%lld%ls", t, words.pixels[1].c_str(), r, words.pixels[2].c_str());
  return text;
}

std::wstring BuildTitleText(const TitleFields& f, const TitleWords& words, bool chinese) {
  if (f.file_name.empty()) return L"";
  if (f.width == 0) return f.file_name + L" - " + f.position;
  std::wstring text = ShortTitleName(f.file_name) + L" ( " + std::to_wstring(f.width) + L"x" + std::to_wstring(f.height);
  std::wstring pixels = PixelCountText(f.width, f.height, words, chinese);
  if (!pixels.empty()) text += L" , " + pixels;
  if (!f.date.empty()) text += L" , " + f.date;
  text += L" ) - " + f.position + L" " + std::to_wstring(f.zoom_percent) + L"%";
  return text;
}

CTitleRecord::CTitleRecord() : app_name_(lang_strings::GetText(L"app", L"NAME")) {}

void CTitleRecord::SetPicture(const std::wstring& path, const std::wstring& date_text, int width, int height) {
  fields_.file_name = ::PathFindFileNameW(path.c_str());
  fields_.width = width;
  fields_.height = height;
  fields_.position.clear();
  fields_.zoom_percent = 100;
  fields_.date = date_text.empty() ? L"" : lang_strings::DateTextForDisplay(date_text);
}

void CTitleRecord::SetSize(int width, int height) {
  fields_.width = width;
  fields_.height = height;
  Refresh();
}

void CTitleRecord::SetPosition(int index, int count) {
  fields_.position = TitleWords::FromLanguageFile().before_position + std::to_wstring(index + 1) + L"/" +
                     std::to_wstring(count) + TitleWords::FromLanguageFile().after_position;
}

void CTitleRecord::SetZoom(double factor) {
  fields_.zoom_percent = static_cast<int>(factor * 100);
  Refresh();
}

void CTitleRecord::Clear() { fields_ = TitleFields{}; }

std::wstring CTitleRecord::Text() const {
  return BuildTitleText(fields_, TitleWords::FromLanguageFile(), lang_strings::IsChineseLanguage(lang_strings::CurrentLanguage()));
}

void CTitleRecord::Refresh() {
  framework::CWinApp* app = framework::AfxGetApp();
  HWND frame = (app && app->m_pMainWnd) ? app->m_pMainWnd->GetSafeHwnd() : nullptr;
  HWND item = frame ? ::GetDlgItem(frame, IDC_TITLE_TEXT) : nullptr;
  if (!item) return;
  std::wstring text = Text();

  HDC dc = ::GetDC(item);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(item, WM_GETFONT, 0, 0)));
  SIZE size{};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(item, dc);
  RECT rc{};
  ::GetWindowRect(item, &rc);
  if (size.cx != 0 && size.cx != rc.right - rc.left) ::SendMessageW(frame, kMsgPlaceTitle, size.cx, kTitleHeight);

  ::SetWindowTextW(item, text.c_str());
  ::SetWindowTextW(frame, text.empty() ? L"Vantor" : text.c_str());
}

CTitleRecord& GetTitleRecord() {
  static CTitleRecord record;
  return record;
}
