// Every user setting, held in memory for the whole process and kept in "config.ini".
// Other parts read and assign the fields directly; Save writes the whole object.
#pragma once
#include <windows.h>

#include <string>

class CAppConfig {
 public:
  // The process-wide object, loaded from the per-user "config.ini" on first use.
  static CAppConfig& Instance();

  // A configuration bound to any file and locales folder (tests, tools).
  CAppConfig(std::wstring ini_path, std::wstring locales_folder);
  ~CAppConfig();
  CAppConfig(const CAppConfig&) = delete;
  CAppConfig& operator=(const CAppConfig&) = delete;

  void Load();  // also the reload: keys present in the file replace the values in memory
  void Save();
  void ReloadWheelSettings();
  int SnipToolHotkey() const;
  bool IsChinese() const;
  bool IsEastAsian() const;

  // Window placement of the main frame.
  void RestorePlacement(HWND frame);
  // full_screen_saved: the rectangle before full screen, when the frame is in it.
  void StorePlacement(HWND frame, const RECT* full_screen_saved = nullptr);

  // The map link for a coordinate text, by the map-vendor setting; OpenMap opens it.
  static std::wstring MapLink(int vendor, const std::wstring& coordinate);
  void OpenMap(const std::wstring& coordinate) const;

  const std::wstring& path() const { return ini_path_; }
  HBRUSH canvas_brush() const { return canvas_brush_; }

  std::wstring last_position;
  int max_zoom_ratio = 8;
  int view_margin = 24;
  COLORREF canvas_back_color = 0x272727;
  int hardware_zoom = 0;
  int gps_map_vendor = 0;
  int toolbar_dock = 1;
  std::wstring language_id;
  int show_delete_confirm = 1;
  int mouse_wheel_action = 99;
  int show_wheel_favorite = 1;
  int double_click_action = 0;
  int view_folder_loop = 0;
  int rotate_auto_save = 0;
  int long_image_mode = 0;
  int save_jpeg_quality = 80;
  int preload_enable = 1;
  int orientation_by_tag = 0;
  int ignore_embedded_icc = 0;
  int only_one_instance = 0;
  int completely_exit = 0;
  int quick_index = 1;  // from the statistics component; never stored
  int set_default_viewer = 0;
  int default_viewer_start_tip = 1;
  int user_set_default_viewer = 0;
  int lockscreen_enable = 0;
  int lockscreen_time = 210;
  int lockscreen_default_opt_time = 210;
  int lockscreen_user_changed_time = 0;
  int lockscreen_enable_loaded = 0;
  int lockscreen_time_loaded = 210;

 private:
  void RecreateCanvasBrush();

  std::wstring ini_path_;
  std::wstring locales_folder_;
  HBRUSH canvas_brush_ = nullptr;
};
