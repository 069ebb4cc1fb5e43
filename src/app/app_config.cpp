#include "app/app_config.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <climits>
#include <mutex>
#include <optional>
#include <vector>

#include "app/app_paths.h"
#include "app/ini_file.h"
#include "app/lang_strings.h"
#include "basic_lib/win32_system.h"
#include "logging/my_log.h"

namespace {

const wchar_t kApp[] = L"app";
const wchar_t kLock[] = L"lockscreen";

// A value is "present" only when the key exists with a non-empty text.
std::optional<std::wstring> ReadValue(const std::wstring& path, const wchar_t* section, const wchar_t* key,
                                      unsigned capacity = 32) {
  auto value = ini_file::Read(path, section, key, capacity);
  if (!value || value->empty()) return std::nullopt;
  return value;
}

std::optional<long long> ReadInt(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
  auto value = ReadValue(path, section, key);
  if (!value) return std::nullopt;
  return ini_file::ToInt64(*value);
}

int NonZeroGivesOne(long long v) { return v != 0 ? 1 : 0; }
int Clamp(long long v, int low_limit, int low_value, int high_limit, int high_value) {
  if (v < low_limit) return low_value;
  if (v > high_limit) return high_value;
  return static_cast<int>(v);
}
int ToInt32Saturated(long long v) {
  if (v < INT_MIN) return INT_MIN;
  if (v > INT_MAX) return INT_MAX;
  return static_cast<int>(v);
}

void ReadFlag(const std::wstring& path, const wchar_t* key, int& field) {
  if (auto v = ReadInt(path, kApp, key)) field = NonZeroGivesOne(*v);
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t sep) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  for (;;) {
    size_t at = text.find(sep, start);
    parts.push_back(text.substr(start, at == std::wstring::npos ? std::wstring::npos : at - start));
    if (at == std::wstring::npos) break;
    start = at + 1;
  }
  return parts;
}

}  // namespace

CAppConfig& CAppConfig::Instance() {
  static CAppConfig config(app_paths::ConfigPath(), lang_strings::LocalesFolder());
  static std::once_flag loaded;
  std::call_once(loaded, [] { config.Load(); });
  return config;
}

CAppConfig::CAppConfig(std::wstring ini_path, std::wstring locales_folder)
    : ini_path_(std::move(ini_path)), locales_folder_(std::move(locales_folder)) {}

CAppConfig::~CAppConfig() {
  if (canvas_brush_) ::DeleteObject(canvas_brush_);
}

void CAppConfig::Load() {
  const std::wstring& p = ini_path_;
  VLOG_INFO() << L"CAppConfig:" << p;

  if (auto v = ReadInt(p, kApp, L"max_zoom_ratio")) max_zoom_ratio = Clamp(*v, 5, 4, 31, 32);
  if (auto v = ReadInt(p, kApp, L"view_margin")) view_margin = Clamp(*v, 1, 0, 63, 64);
  if (auto v = ReadValue(p, kApp, L"canvas_back_color", 256)) {
    std::vector<std::wstring> parts = Split(*v, L',');
    if (parts.size() == 3) {
      BYTE r = static_cast<BYTE>(::StrToIntW(parts[0].c_str()) & 0xFF);
      BYTE g = static_cast<BYTE>(::StrToIntW(parts[1].c_str()) & 0xFF);
      BYTE b = static_cast<BYTE>(::StrToIntW(parts[2].c_str()) & 0xFF);
      canvas_back_color = RGB(r, g, b);
    }
  }
  ReadFlag(p, L"hardware_zoom", hardware_zoom);
  ReadFlag(p, L"gps_map_vendor", gps_map_vendor);
  ReadFlag(p, L"toolbar_dock", toolbar_dock);
  std::optional<std::wstring> language = ReadValue(p, kApp, L"language_id", 256);
  ReadFlag(p, L"show_delete_confirm", show_delete_confirm);
  if (auto v = ReadInt(p, kApp, L"mouse_wheel_action")) mouse_wheel_action = (*v == 99) ? 99 : NonZeroGivesOne(*v);
  ReadFlag(p, L"show_wheel_favorite", show_wheel_favorite);
  ReadFlag(p, L"double_click_action", double_click_action);
  ReadFlag(p, L"view_folder_loop", view_folder_loop);
  ReadFlag(p, L"rotate_auto_save", rotate_auto_save);
  ReadFlag(p, L"long_image_mode", long_image_mode);
  if (auto v = ReadInt(p, kApp, L"save_jpeg_quality")) save_jpeg_quality = Clamp(*v, 1, 0, 99, 100);
  ReadFlag(p, L"preload_enable", preload_enable);
  ReadFlag(p, L"orientation_by_tag", orientation_by_tag);
  ReadFlag(p, L"ignore_embedded_icc", ignore_embedded_icc);
  ReadFlag(p, L"only_one_instance", only_one_instance);
  ReadFlag(p, L"set_default_viewer", set_default_viewer);
  ReadFlag(p, L"default_viewer_start_tip", default_viewer_start_tip);
  ReadFlag(p, L"completely_exit", completely_exit);
  ReadFlag(p, L"user_set_default_viewer", user_set_default_viewer);
  if (auto v = ReadValue(p, kApp, L"last_position")) last_position = *v;

  // The wheel question overrides the stored action, once both keys are known.
  if (show_wheel_favorite == 1) mouse_wheel_action = 99;

  if (auto v = ReadValue(p, kLock, L"enable")) {
    VLOG_INFO() << L"CAppConfig enable:" << *v;
    lockscreen_enable = ini_file::ToInt64(*v) == 1 ? 1 : 0;
  }
  if (auto v = ReadInt(p, kLock, L"time")) lockscreen_time = ToInt32Saturated(*v);
  if (auto v = ReadInt(p, kLock, L"default_opt_time")) lockscreen_default_opt_time = ToInt32Saturated(*v);
  if (auto v = ReadInt(p, kLock, L"user_changed_time")) lockscreen_user_changed_time = NonZeroGivesOne(*v);
  lockscreen_enable_loaded = lockscreen_enable;
  lockscreen_time_loaded = lockscreen_time;

  // Only a bare, existing file name is taken; anything else means English.
  std::wstring wanted = language ? *language : lang_strings::LanguageForSystemLocale();
  lang_strings::SetCurrentLanguage(lang_strings::IsUsableLanguageFile(wanted, locales_folder_) ? wanted
                                                                                               : L"en.ini");
  language_id = lang_strings::CurrentLanguage();

  RecreateCanvasBrush();
}

void CAppConfig::RecreateCanvasBrush() {
  if (canvas_brush_) ::DeleteObject(canvas_brush_);
  canvas_brush_ = ::CreateSolidBrush(canvas_back_color);
}

void CAppConfig::Save() {
  const std::wstring& p = ini_path_;
  auto put = [&](const wchar_t* key, long long v) { ini_file::WriteInt(p, kApp, key, v); };
  ini_file::Write(p, kApp, L"last_position", last_position);
  put(L"max_zoom_ratio", max_zoom_ratio);
  put(L"view_margin", view_margin);
  wchar_t color[40];
  swprintf(color, 40, L"%d,%d,%d", GetRValue(canvas_back_color), GetGValue(canvas_back_color),
           GetBValue(canvas_back_color));
  ini_file::Write(p, kApp, L"canvas_back_color", color);
  put(L"hardware_zoom", hardware_zoom);
  put(L"gps_map_vendor", gps_map_vendor);
  put(L"toolbar_dock", toolbar_dock);
  ini_file::Write(p, kApp, L"language_id", language_id);
  put(L"show_delete_confirm", show_delete_confirm);
  put(L"mouse_wheel_action", mouse_wheel_action);
  put(L"show_wheel_favorite", show_wheel_favorite);
  put(L"double_click_action", double_click_action);
  put(L"view_folder_loop", view_folder_loop);
  put(L"rotate_auto_save", rotate_auto_save);
  put(L"long_image_mode", long_image_mode);
  put(L"save_jpeg_quality", save_jpeg_quality);
  put(L"preload_enable", preload_enable);
  put(L"preload_thread", 3);
  put(L"orientation_by_tag", orientation_by_tag);
  put(L"ignore_embedded_icc", ignore_embedded_icc);
  put(L"only_one_instance", only_one_instance);
  put(L"set_default_viewer", set_default_viewer);
  put(L"default_viewer_start_tip", default_viewer_start_tip);
  put(L"completely_exit", completely_exit);
  put(L"user_set_default_viewer", user_set_default_viewer);

  auto changed_setting = ReadInt(p, kLock, L"user_changed_setting");
  bool write_lock = (changed_setting && *changed_setting != 0) || lockscreen_enable != lockscreen_enable_loaded ||
                    lockscreen_time != lockscreen_time_loaded;
  if (write_lock) {
    ini_file::WriteInt(p, kLock, L"enable", lockscreen_enable);
    ini_file::WriteInt(p, kLock, L"time", lockscreen_time);
    ini_file::WriteInt(p, kLock, L"user_changed_time", lockscreen_user_changed_time);
    ini_file::WriteInt(p, kLock, L"user_changed_setting", 1);
    ini_file::WriteInt(p, kLock, L"default_opt_time", lockscreen_default_opt_time);
  }
}

void CAppConfig::ReloadWheelSettings() {
  if (auto v = ReadInt(ini_path_, kApp, L"mouse_wheel_action")) mouse_wheel_action = (*v == 99) ? 99 : NonZeroGivesOne(*v);
  if (auto v = ReadInt(ini_path_, kApp, L"show_wheel_favorite")) show_wheel_favorite = NonZeroGivesOne(*v);
  if (show_wheel_favorite == 1) mouse_wheel_action = 99;
}

int CAppConfig::SnipToolHotkey() const {
  auto v = ReadInt(ini_path_, L"Default", L"sniptool_hotkey");
  return v ? ToInt32Saturated(*v) : 0;
}

bool CAppConfig::IsChinese() const { return lang_strings::IsChineseLanguage(language_id); }
bool CAppConfig::IsEastAsian() const { return lang_strings::IsEastAsianLanguage(language_id); }

void CAppConfig::RestorePlacement(HWND frame) {
  if (last_position.empty()) {
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int dx = (work.right - work.left) / 6;
    int dy = (work.bottom - work.top) / 10;
    ::InflateRect(&work, -dx, -dy);
    wchar_t text[64];
    swprintf(text, 64, L"%d_%d_%d_%d", static_cast<int>(work.left), static_cast<int>(work.top),
             static_cast<int>(work.right), static_cast<int>(work.bottom));
    last_position = text;
  }
  std::vector<std::wstring> parts = Split(last_position, L'_');
  if (parts.size() != 4) {
    ::ShowWindow(frame, SW_SHOWMAXIMIZED);
    return;
  }
  RECT rc{::StrToIntW(parts[0].c_str()), ::StrToIntW(parts[1].c_str()), ::StrToIntW(parts[2].c_str()),
          ::StrToIntW(parts[3].c_str())};
  win32_system::FitRectToWorkArea(rc);
  if (rc.right - rc.left < 700 || rc.bottom - rc.top < 500) {
    ::ShowWindow(frame, SW_SHOWMAXIMIZED);
    return;
  }
  ::SetWindowPos(frame, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOACTIVATE | SWP_NOZORDER);
}

void CAppConfig::StorePlacement(HWND frame, const RECT* full_screen_saved) {
  WINDOWPLACEMENT wp{sizeof(wp)};
  ::GetWindowPlacement(frame, &wp);
  bool maximized = ::IsZoomed(frame) || (::IsIconic(frame) && (wp.flags & WPF_RESTORETOMAXIMIZED));
  if (maximized && !full_screen_saved) {
    last_position = L"MAX";
    return;
  }
  RECT rc{};
  if (full_screen_saved) {
    rc = *full_screen_saved;
  } else if (::IsIconic(frame)) {
    // A minimised window's rectangle is off screen; the normal rectangle is in
    // work-area coordinates.
    rc = wp.rcNormalPosition;
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::OffsetRect(&rc, work.left, work.top);
  } else {
    ::GetWindowRect(frame, &rc);
  }
  wchar_t text[64];
  swprintf(text, 64, L"%d_%d_%d_%d", static_cast<int>(rc.left), static_cast<int>(rc.top),
           static_cast<int>(rc.right), static_cast<int>(rc.bottom));
  last_position = text;
}

std::wstring CAppConfig::MapLink(int vendor, const std::wstring& coordinate) {
  if (vendor == 1)
    return L"http://api.map.baidu.com/marker?location=" + coordinate +
           L"&title=Here&content=拍摄地&output=html&coord_type=wgs84&src=RizoRoraz";
  return L"https://apis.map.qq.com/uri/v1/marker?marker=coord:" + coordinate +
         L";title:Here&coord_type=1&referer=RizoRoraz";
}

void CAppConfig::OpenMap(const std::wstring& coordinate) const {
  std::wstring link = MapLink(gps_map_vendor, coordinate);
  ::ShellExecuteW(nullptr, L"open", link.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
