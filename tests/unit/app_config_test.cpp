#include "app/app_config.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

#include "app/lang_strings.h"
#include "common/test_files.h"

namespace {

class AppConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteTextFile(locales_.File(L"en.ini"), "[app]\r\nNAME=Vantor\r\n");
    WriteTextFile(locales_.File(L"cn_simp.ini"), "[app]\r\nNAME=x\r\n");
  }
  // Loads a configuration from the given INI text.
  std::unique_ptr<CAppConfig> Load(const std::string& ini) {
    WriteTextFile(ini_path(), ini);
    auto config = std::make_unique<CAppConfig>(ini_path(), locales_.path());
    config->Load();
    return config;
  }
  std::wstring ini_path() const { return data_.File(L"config.ini"); }
  std::wstring Value(const wchar_t* section, const wchar_t* key) {
    wchar_t buf[512] = {};
    ::GetPrivateProfileStringW(section, key, L"<absent>", buf, 512, ini_path().c_str());
    return buf;
  }

  TempDir data_;
  TempDir locales_;
};

struct ValueCase {
  const char* line;  // one line of section [app]
  std::function<int(const CAppConfig&)> field;
  int expected;
};

TEST_F(AppConfigTest, ValuesFollowTheirReadRules) {
  const ValueCase cases[] = {
      {"max_zoom_ratio=0", [](auto& c) { return c.max_zoom_ratio; }, 4},
      {"max_zoom_ratio=5", [](auto& c) { return c.max_zoom_ratio; }, 5},
      {"max_zoom_ratio=1000", [](auto& c) { return c.max_zoom_ratio; }, 32},
      {"max_zoom_ratio=31", [](auto& c) { return c.max_zoom_ratio; }, 31},
      {"view_margin=-5", [](auto& c) { return c.view_margin; }, 0},
      {"view_margin=100", [](auto& c) { return c.view_margin; }, 64},
      {"view_margin=", [](auto& c) { return c.view_margin; }, 24},
      {"view_margin=12px", [](auto& c) { return c.view_margin; }, 12},
      {"view_margin=abc", [](auto& c) { return c.view_margin; }, 0},
      // A value past 32 bits is judged as a whole, not after wrapping (2^32 + 1).
      {"view_margin=4294967297", [](auto& c) { return c.view_margin; }, 64},
      {"max_zoom_ratio=-4294967295", [](auto& c) { return c.max_zoom_ratio; }, 4},
      {"save_jpeg_quality=0", [](auto& c) { return c.save_jpeg_quality; }, 0},
      {"save_jpeg_quality=150", [](auto& c) { return c.save_jpeg_quality; }, 100},
      {"save_jpeg_quality=  -3", [](auto& c) { return c.save_jpeg_quality; }, 0},
      {"hardware_zoom=7", [](auto& c) { return c.hardware_zoom; }, 1},
      {"toolbar_dock=0", [](auto& c) { return c.toolbar_dock; }, 0},
      {"toolbar_dock=4294967296", [](auto& c) { return c.toolbar_dock; }, 1},
      {"show_delete_confirm=0", [](auto& c) { return c.show_delete_confirm; }, 0},
      {"double_click_action=-1", [](auto& c) { return c.double_click_action; }, 1},
      {"only_one_instance=1", [](auto& c) { return c.only_one_instance; }, 1},
      {"canvas_back_color=255,0,16", [](auto& c) { return static_cast<int>(c.canvas_back_color); }, 0x1000FF},
      {"canvas_back_color=256,257,1", [](auto& c) { return static_cast<int>(c.canvas_back_color); }, 0x010100},
      {"canvas_back_color=1,2", [](auto& c) { return static_cast<int>(c.canvas_back_color); }, 0x272727},
      {"canvas_back_color=1,2,3,4", [](auto& c) { return static_cast<int>(c.canvas_back_color); }, 0x272727},
  };
  for (const ValueCase& c : cases) {
    auto config = Load(std::string("[app]\r\n") + c.line + "\r\n");
    EXPECT_EQ(c.field(*config), c.expected) << c.line;
  }
}

TEST_F(AppConfigTest, WheelActionAndItsQuestion) {
  struct {
    const char* ini;
    int action;
  } cases[] = {
      {"mouse_wheel_action=99\r\nshow_wheel_favorite=0", 99},
      {"mouse_wheel_action=5\r\nshow_wheel_favorite=0", 1},
      {"mouse_wheel_action=0\r\nshow_wheel_favorite=0", 0},
      {"mouse_wheel_action=0\r\nshow_wheel_favorite=1", 99},
      {"mouse_wheel_action=1\r\nshow_wheel_favorite=3", 99},
      // The file's question decides, whatever order the keys stand in.
      {"show_wheel_favorite=0\r\nmouse_wheel_action=1", 1},
      {"mouse_wheel_action=1", 99},  // the question defaults to on
  };
  for (const auto& c : cases) {
    auto config = Load(std::string("[app]\r\n") + c.ini + "\r\n");
    EXPECT_EQ(config->mouse_wheel_action, c.action) << c.ini;
  }
}

TEST_F(AppConfigTest, WheelReloadPicksUpAnotherInstancesChoice) {
  auto config = Load("[app]\r\nmouse_wheel_action=99\r\n");
  ASSERT_EQ(config->mouse_wheel_action, 99);
  ::WritePrivateProfileStringW(L"app", L"mouse_wheel_action", L"1", ini_path().c_str());
  ::WritePrivateProfileStringW(L"app", L"show_wheel_favorite", L"0", ini_path().c_str());
  config->ReloadWheelSettings();
  EXPECT_EQ(config->mouse_wheel_action, 1);
  EXPECT_EQ(config->show_wheel_favorite, 0);
}

TEST_F(AppConfigTest, LockScreenValues) {
  auto config = Load("[lockscreen]\r\nenable=2\r\ntime=99999999999\r\nuser_changed_time=5\r\n");
  EXPECT_EQ(config->lockscreen_enable, 0);
  EXPECT_EQ(config->lockscreen_time, INT_MAX);
  EXPECT_EQ(config->lockscreen_user_changed_time, 1);
  config = Load("[lockscreen]\r\nenable=1\r\ntime=-60\r\n");
  EXPECT_EQ(config->lockscreen_enable, 1);
  EXPECT_EQ(config->lockscreen_time, -60);
}

TEST_F(AppConfigTest, SaveWritesLockScreenSectionOnlyWhenItChanged) {
  auto config = Load("[app]\r\nview_margin=10\r\n");
  config->Save();
  EXPECT_EQ(Value(L"lockscreen", L"enable"), L"<absent>");
  EXPECT_EQ(Value(L"app", L"preload_thread"), L"3");
  EXPECT_EQ(Value(L"app", L"view_margin"), L"10");
  EXPECT_EQ(Value(L"app", L"canvas_back_color"), L"39,39,39");

  config->lockscreen_time = 600;
  config->Save();
  EXPECT_EQ(Value(L"lockscreen", L"time"), L"600");
  EXPECT_EQ(Value(L"lockscreen", L"user_changed_setting"), L"1");
  EXPECT_EQ(Value(L"lockscreen", L"default_opt_time"), L"210");

  // Once the user changed it, the section is written on every save.
  auto reloaded = std::make_unique<CAppConfig>(ini_path(), locales_.path());
  reloaded->Load();
  ::WritePrivateProfileStringW(L"lockscreen", L"enable", L"7", ini_path().c_str());
  reloaded->Save();
  EXPECT_EQ(Value(L"lockscreen", L"enable"), L"0");
}

TEST_F(AppConfigTest, LanguageMustBeABareExistingIniName) {
  struct {
    const char* value;
    const wchar_t* expected;
  } cases[] = {
      {"cn_simp.ini", L"cn_simp.ini"},
      {"CN_SIMP.INI", L"CN_SIMP.INI"},
      {"missing.ini", L"en.ini"},
      {"cn_simp", L"en.ini"},
      {"..\\locales\\cn_simp.ini", L"en.ini"},
      {"./cn_simp.ini", L"en.ini"},
      {"C:cn_simp.ini", L"en.ini"},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.ini", L"en.ini"},
  };
  for (const auto& c : cases) {
    auto config = Load(std::string("[app]\r\nlanguage_id=") + c.value + "\r\n");
    EXPECT_EQ(config->language_id, c.expected) << c.value;
    EXPECT_EQ(lang_strings::CurrentLanguage(), c.expected) << c.value;
  }
  // An unknown language is written back as English.
  auto config = Load("[app]\r\nlanguage_id=klingon.ini\r\n");
  config->Save();
  EXPECT_EQ(Value(L"app", L"language_id"), L"en.ini");
  EXPECT_FALSE(config->IsChinese());
  config = Load("[app]\r\nlanguage_id=cn_simp.ini\r\n");
  EXPECT_TRUE(config->IsChinese());
  EXPECT_TRUE(config->IsEastAsian());
}

TEST_F(AppConfigTest, MissingFileKeepsDefaultsAndSaveCreatesIt) {
  auto config = std::make_unique<CAppConfig>(data_.File(L"none.ini"), locales_.path());
  config->Load();
  EXPECT_EQ(config->max_zoom_ratio, 8);
  EXPECT_EQ(config->view_margin, 24);
  EXPECT_EQ(config->canvas_back_color, 0x272727u);
  EXPECT_EQ(config->toolbar_dock, 1);
  EXPECT_EQ(config->mouse_wheel_action, 99);
  EXPECT_EQ(config->save_jpeg_quality, 80);
  EXPECT_EQ(config->lockscreen_time, 210);
  config->Save();
  EXPECT_TRUE(FileExists(data_.File(L"none.ini")));
}

TEST_F(AppConfigTest, SnipToolHotkey) {
  EXPECT_EQ(Load("[app]\r\n")->SnipToolHotkey(), 0);
  EXPECT_EQ(Load("[Default]\r\nsniptool_hotkey=1601\r\n")->SnipToolHotkey(), 1601);
}

TEST(MapLink, CarriesTheCoordinateUnchangedForEachVendor) {
  std::wstring baidu = CAppConfig::MapLink(1, L"39.9,116.4");
  EXPECT_EQ(baidu.rfind(L"http://", 0), 0u);
  EXPECT_NE(baidu.find(L"/marker?location=39.9,116.4&title=Here&content=拍摄地&output=html&coord_type=wgs84&src=RizoRoraz"),
            std::wstring::npos);
  for (int vendor : {0, 2}) {
    std::wstring tencent = CAppConfig::MapLink(vendor, L"39.9,116.4");
    EXPECT_EQ(tencent.rfind(L"https://", 0), 0u);
    EXPECT_NE(tencent.find(L"/uri/v1/marker?marker=coord:39.9,116.4;title:Here&coord_type=1&referer=RizoRoraz"),
              std::wstring::npos);
  }
}

}  // namespace
