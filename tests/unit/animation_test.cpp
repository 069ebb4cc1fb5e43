#include "view_render/pre_render_animation.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "app/zelto_app.h"
#include "basic_lib/auto_init.h"
#include "common/message_pump.h"
#include "common/imaging_test.h"
#include "common/test_files.h"
#include "image/current_picture.h"

namespace {

using view_render::CPreRenderAnimation;

TEST(AnimationTiming, DelaysAndTheFirstInterval) {
  EXPECT_EQ(view_render::animation::DelaysFromHundredths({0, 5, 10}), (std::vector<int>{100, 50, 100}));
  EXPECT_EQ(view_render::animation::DelaysFromHundredths({2, 2}), (std::vector<int>{20, 20}));
  EXPECT_EQ(view_render::animation::FirstInterval(20), 10);
  EXPECT_EQ(view_render::animation::FirstInterval(30), 10);
  EXPECT_EQ(view_render::animation::FirstInterval(31), 31);
  EXPECT_EQ(view_render::animation::FirstInterval(100), 100);
  // 4000 x 4000 x 500 frames would need gigabytes: over the budget.
  EXPECT_GT(view_render::animation::FramesMemory(4000, 4000, 500), view_render::kAnimationMemoryBudget);
  EXPECT_LT(view_render::animation::FramesMemory(320, 240, 31), view_render::kAnimationMemoryBudget);
}


class AnimationTest : public ImagingTest {};

TEST_F(AnimationTest, FirstFrameAtOnceThenEveryFrameInALoop) {
  CurrentPicture::Instance().SetPath(TestDataFolder() + L"dispose_none.gif");
  view_render::CViewRender view(200, 200, nullptr, nullptr);
  auto* source = dynamic_cast<CPreRenderAnimation*>(view.frame_source());
  ASSERT_NE(source, nullptr);
  EXPECT_NE(source->GetBitmap(false), nullptr) << "the first frame is there from the start";
  ASSERT_TRUE(PumpMessagesUntil([&] { return source->IsPlaying(); }, 10000));
  EXPECT_EQ(source->FrameCount(), 5u);
  std::set<HBITMAP> shown;
  PumpMessagesUntil([&] {
    shown.insert(source->GetBitmap(false));
    return shown.size() >= 3;
  }, 3000);
  EXPECT_GE(shown.size(), 3u) << "frames advance with their 100 ms delays";
}

TEST_F(AnimationTest, OneFrameGifIsAStillPicture) {
  CurrentPicture::Instance().SetPath(TestDataFolder() + L"hopper.gif");
  view_render::CViewRender view(200, 200, nullptr, nullptr);
  EXPECT_EQ(dynamic_cast<CPreRenderAnimation*>(view.frame_source()), nullptr);
}

}  // namespace
