#include "companions/DorerUvidu/association.h"

#include <gtest/gtest.h>

namespace {

// A scratch root under the user's key stands in for HKEY_CURRENT_USER.
class AssociationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kRoot, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    ::RegCloseKey(root_);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
  }
  bool KeyExists(const std::wstring& path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root_, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
  }
  static constexpr const wchar_t* kRoot = L"Software\\VantorAssociationTest";
  HKEY root_ = nullptr;
};

TEST_F(AssociationTest, RegisterAndUnregisterLeaveNothingBehind) {
  const std::wstring exe = L"C:\\Program Files\\Vantor\\Vantor.exe";
  ASSERT_TRUE(association::Register(root_, L"jpg", exe));
  EXPECT_TRUE(association::IsRegistered(root_, L"jpg", exe));
  EXPECT_FALSE(association::IsRegistered(root_, L"jpg", L"C:\\elsewhere\\Vantor.exe"));
  EXPECT_FALSE(association::IsRegistered(root_, L"png", exe));
  EXPECT_TRUE(KeyExists(L"Software\\Classes\\.jpg\\OpenWithProgids"));

  association::Unregister(root_, L"jpg");
  EXPECT_FALSE(association::IsRegistered(root_, L"jpg", exe));
  EXPECT_FALSE(KeyExists(L"Software\\Classes\\Vantor.jpg"));
  EXPECT_FALSE(KeyExists(L"Software\\Classes\\.jpg"));
}

TEST_F(AssociationTest, UnregisterKeepsWhatOthersWrote) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(root_, L"Software\\Classes\\.png\\OpenWithProgids", 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExW(key, L"Other.png", 0, REG_NONE, nullptr, 0);
  ::RegCloseKey(key);
  ASSERT_TRUE(association::Register(root_, L"png", L"C:\\V\\Vantor.exe"));
  association::Unregister(root_, L"png");
  ASSERT_EQ(::RegOpenKeyExW(root_, L"Software\\Classes\\.png\\OpenWithProgids", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(::RegQueryValueExW(key, L"Other.png", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_NE(::RegQueryValueExW(key, L"Vantor.png", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  ::RegCloseKey(key);
}

TEST(AssociationChangeList, ParsesOnlyWellFormedPictureEntries) {
  using Changes = std::vector<std::pair<std::wstring, bool>>;
  struct {
    const wchar_t* text;
    Changes expected;
  } cases[] = {
      {L"|bmp:1||gif:0|", {{L"bmp", true}, {L"gif", false}}},
      {L"|jfif:1||jpe:1||jpeg:1||jpg:1|", {{L"jfif", true}, {L"jpe", true}, {L"jpeg", true}, {L"jpg", true}}},
      {L"|PNG:0|", {{L"png", false}}},
      {L"|png:2||png||exe:1||png:10|", {}},
      {L"png:1", {}},
      {L"|png:1", {}},
      {L"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(association::ParseChangeList(c.text), c.expected) << c.text;
  EXPECT_TRUE(association::ParseChangeList(nullptr).empty());
  // A text without its terminator is read only up to the limit.
  const wchar_t unterminated[] = {L'|', L'g', L'i', L'f', L':', L'1', L'|', L'|', L'b', L'm', L'p'};
  EXPECT_EQ(association::ParseChangeList(unterminated, std::size(unterminated)), (Changes{{L"gif", true}}));
}

}  // namespace
