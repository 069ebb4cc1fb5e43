#include "view_render/current_folder_image.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/app_config.h"
#include "common/message_pump.h"
#include "common/test_files.h"

namespace {


TEST(FolderOrder, NaturalNamesAndNeighbours) {
  std::deque<std::wstring> names{L"img10.jpg", L"img2.jpg", L"IMG1.png", L"a.bmp"};
  folder_order::SortNatural(names);
  EXPECT_EQ(names, (std::deque<std::wstring>{L"a.bmp", L"IMG1.png", L"img2.jpg", L"img10.jpg"}));

  struct {
    int index, count, offset;
    bool loop;
    int expected;
  } cases[] = {{0, 3, -1, false, -1}, {0, 3, -1, true, 2}, {2, 3, 1, false, -1}, {2, 3, 1, true, 0},
               {1, 3, 1, false, 2},   {0, 1, 1, true, -1}, {0, 1, -1, false, -1}, {-1, 3, 1, true, -1}};
  for (const auto& c : cases)
    EXPECT_EQ(folder_order::NeighbourIndex(c.index, c.count, c.offset, c.loop), c.expected)
        << c.index << " " << c.count << " " << c.offset << " " << c.loop;
}

TEST(FolderOrder, ExplorersOrderWinsWhenItHoldsTheFile) {
  std::set<std::wstring> dirs{L".", L"..", L"album.jpg"};
  std::deque<std::wstring> listing{L"a.jpg", L"b.jpg", L"c.jpg"};
  std::deque<std::wstring> result;
  int at = folder_order::ChooseOrder({L"c.jpg", L"album.jpg", L"notes.txt", L"a.jpg", L"b.jpg"}, dirs, listing,
                                     L"A.JPG", &result);
  EXPECT_EQ(result, (std::deque<std::wstring>{L"c.jpg", L"a.jpg", L"b.jpg"}));
  EXPECT_EQ(at, 1);

  std::deque<std::wstring> listing2{L"a.jpg", L"b.jpg"};
  at = folder_order::ChooseOrder({}, dirs, listing2, L"b.jpg", &result);
  EXPECT_EQ(result, (std::deque<std::wstring>{L"a.jpg", L"b.jpg"}));
  EXPECT_EQ(at, 1);
}

class FolderListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const wchar_t* name : {L"img10.jpg", L"img2.jpg", L"IMG1.png", L"notes.txt", L"x.exe"})
      WriteTextFile(dir_.File(name), "x");
    ::CreateDirectoryW(dir_.File(L"album.jpg").c_str(), nullptr);
    saved_loop_ = CAppConfig::Instance().view_folder_loop;
  }
  void TearDown() override { CAppConfig::Instance().view_folder_loop = saved_loop_; }
  void CollectAndWait(CCurrentFolderImage& list, const std::wstring& path) {
    list.Collect(nullptr, path);
    ASSERT_TRUE(PumpMessagesUntil([&] { return !list.IsCollecting(); }));
  }
  TempDir dir_;
  int saved_loop_ = 0;
};

TEST_F(FolderListTest, StepsInNaturalOrderAndWrapsOnlyWhenAsked) {
  CCurrentFolderImage list;
  CollectAndWait(list, dir_.File(L"img2.jpg"));
  EXPECT_EQ(list.count(), 3u);
  EXPECT_EQ(list.index(), 1);
  EXPECT_EQ(list.GetNeighbourPath(1), dir_.File(L"img10.jpg"));
  EXPECT_EQ(list.GetNeighbourPath(-1), dir_.File(L"IMG1.png"));

  CollectAndWait(list, dir_.File(L"img10.jpg"));  // same folder: no new scan
  EXPECT_EQ(list.index(), 2);
  CAppConfig::Instance().view_folder_loop = 0;
  EXPECT_FALSE(list.HasNeighbour(1));
  EXPECT_EQ(list.GetNeighbourPath(1), L"");
  CAppConfig::Instance().view_folder_loop = 1;
  EXPECT_EQ(list.GetNeighbourPath(1), dir_.File(L"IMG1.png"));
}

TEST_F(FolderListTest, RemovingFilesPicksTheNextToShow) {
  CCurrentFolderImage list;
  CollectAndWait(list, dir_.File(L"img10.jpg"));
  EXPECT_EQ(list.RemoveFile(dir_.File(L"img10.jpg")), dir_.File(L"img2.jpg")) << "the last one gives the one before";
  EXPECT_EQ(list.RemoveFile(dir_.File(L"IMG1.PNG")), dir_.File(L"img2.jpg"));
  EXPECT_EQ(list.RemoveFile(dir_.File(L"img2.jpg")), L"");
  EXPECT_EQ(list.index(), -1);
}

TEST_F(FolderListTest, RelativePathsMeanTheCurrentFolderNeverTheRoot) {
  wchar_t previous[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(::SetCurrentDirectoryW(dir_.path().c_str()));
  CCurrentFolderImage list;
  list.Collect(nullptr, L"img2.jpg");
  PumpMessagesUntil([&] { return !list.IsCollecting(); });
  ::SetCurrentDirectoryW(previous);
  std::wstring folder = dir_.path();
  folder.pop_back();
  EXPECT_EQ(list.folder(), folder);
  EXPECT_EQ(list.count(), 3u);
}

TEST_F(FolderListTest, APictureAloneHasNoNeighbours) {
  TempDir lonely;
  WriteTextFile(lonely.File(L"only.jpg"), "x");
  WriteTextFile(lonely.File(L"readme.txt"), "x");
  CCurrentFolderImage list;
  CollectAndWait(list, lonely.File(L"only.jpg"));
  EXPECT_EQ(list.count(), 1u);
  CAppConfig::Instance().view_folder_loop = 1;
  EXPECT_FALSE(list.HasNeighbour(1));
  EXPECT_FALSE(list.HasNeighbour(-1));
}

}  // namespace
