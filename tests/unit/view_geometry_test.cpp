#include "view_render/view_geometry.h"

#include <gtest/gtest.h>

namespace {

using view_render::CZoomLayout;

TEST(ViewGeometry, FitLayoutAndOneStepAboutTheCentre) {
  CZoomLayout z(2000, 1000);
  z.Layout(1000, 800, 0);
  EXPECT_FLOAT_EQ(z.ratio(), 0.5f);
  EXPECT_EQ(z.geometry().zoomed_width(), 1000);
  EXPECT_EQ(z.geometry().zoomed_height(), 500);
  const RECT& d = z.geometry().destination();
  EXPECT_EQ(d.left, 0);
  EXPECT_EQ(d.top, 150);
  EXPECT_EQ(d.right, 1000);
  EXPECT_EQ(d.bottom, 650);
  EXPECT_EQ(z.geometry().overflow_x(), 0);

  ASSERT_TRUE(z.ZoomStep(1, 500, 400, 8));
  EXPECT_FLOAT_EQ(z.ratio(), 0.55f);
  EXPECT_EQ(z.geometry().zoomed_width(), 1100);
  EXPECT_EQ(z.geometry().zoomed_height(), 550);
  EXPECT_EQ(z.geometry().overflow_x(), 100);
  EXPECT_EQ(z.geometry().source().left, 50);
  POINT at = z.geometry().Placement();
  EXPECT_EQ(at.x, -50);
  EXPECT_EQ(at.y, 125);
  // The picture point under the anchor stayed there.
  EXPECT_NEAR((500 - at.x) / z.ratio_x(), 1000.0f, 0.5f);
}

TEST(ViewGeometry, SmallPictureTogglesByDoubleClickAction) {
  for (int action : {0, 1}) {
    CZoomLayout z(300, 200);
    z.Layout(1000, 800, action);
    EXPECT_FLOAT_EQ(z.ratio(), 1.0f);
    POINT at = z.geometry().Placement();
    EXPECT_EQ(at.x, 350);
    EXPECT_EQ(at.y, 300);
    EXPECT_FALSE(z.ToggleActualSize()) << "command 20002 changes nothing at 1.0";
    bool changed = z.ToggleZoom(400, 350);
    EXPECT_EQ(changed, action == 0);
    EXPECT_FLOAT_EQ(z.ratio(), action == 0 ? 2.0f : 1.0f);
    if (action == 0) {
      // 600x400 in 1000x800 still fits: centred again.
      EXPECT_EQ(z.geometry().Placement().x, 200);
    }
  }
}

TEST(ViewGeometry, ZoomLimits) {
  struct {
    int pw, ph, steps, max_zoom;
    float expected_ratio;
    int zoomed_w;
  } cases[] = {
      {100, 100, -1, 8, 0.05f, 5},        // repeated zoom-out floors at 5 %
      {40000, 100, -1, 8, 0.025f, 1000},  // the fit ratio is below 5 %: it is the floor
      {100, 100, 1, 8, 8.0f, 800},        // zoom-in stops at exactly the maximum
      {100, 100, 1, 4, 4.0f, 400},
  };
  for (const auto& c : cases) {
    CZoomLayout z(c.pw, c.ph);
    z.Layout(1000, 800, 0);
    for (int i = 0; i < 200; ++i) z.ZoomStep(c.steps, 500, 400, c.max_zoom);
    EXPECT_FLOAT_EQ(z.ratio(), c.expected_ratio) << c.pw << "x" << c.ph;
    EXPECT_EQ(z.geometry().zoomed_width(), c.zoomed_w);
  }
}

TEST(ViewGeometry, WheelTurnsOfSeveralNotches) {
  CZoomLayout z(2000, 1000);
  z.Layout(1000, 800, 0);
  EXPECT_FLOAT_EQ(z.StepTarget(-240 / 120, 8), 0.4f);  // x 0.8
  EXPECT_FLOAT_EQ(z.StepTarget(-1200 / 120, 8), 0.05f);
  EXPECT_FLOAT_EQ(z.StepTarget(-1500 / 120, 8), 0.05f);
}

TEST(ViewGeometry, PanClampsOnBothAxes) {
  CZoomLayout z(2000, 1000);
  z.Layout(1000, 800, 0);
  ASSERT_TRUE(z.ZoomTo(1.0f, 500, 400));  // 2000x1000 in 1000x800: both axes scroll
  const int start_x = z.geometry().source().left, start_y = z.geometry().source().top;
  EXPECT_TRUE(z.Pan(100, 50));
  EXPECT_EQ(z.geometry().source().left, start_x - 100);
  EXPECT_EQ(z.geometry().source().top, start_y - 50);
  EXPECT_TRUE(z.Pan(100000, 100000));
  EXPECT_EQ(z.geometry().source().left, 0);
  EXPECT_EQ(z.geometry().source().top, 0);
  EXPECT_FALSE(z.Pan(10, 10)) << "past the edge nothing moves";
  EXPECT_TRUE(z.Pan(-100000, -100000));
  EXPECT_EQ(z.geometry().source().left, 1000);
  EXPECT_EQ(z.geometry().source().top, 200);
  EXPECT_EQ(z.geometry().Placement().x, -1000);

  CZoomLayout fits(300, 2000);  // fits horizontally at 1.0 in a 1000-wide view
  fits.Layout(1000, 800, 0);
  ASSERT_TRUE(fits.ZoomTo(1.0f, 0, 0));
  const int x_before = fits.geometry().Placement().x;
  fits.Pan(300, 0);
  EXPECT_EQ(fits.geometry().Placement().x, x_before);
}

TEST(ViewGeometry, LongPictureStartsAtItsTop) {
  CZoomLayout z(600, 3000);
  z.Layout(1000, 800, 0);
  EXPECT_EQ(z.geometry().zoomed_width(), 160);
  EXPECT_EQ(z.geometry().zoomed_height(), 800);
  ASSERT_TRUE(z.ZoomTo(1.0f, 0, 0));
  EXPECT_EQ(z.geometry().source().top, 0);
  EXPECT_EQ(z.geometry().Placement().x, 200);
  EXPECT_EQ(z.geometry().Placement().y, 0);
}

TEST(ViewGeometry, EmptyViewAndGiantPictures) {
  CZoomLayout z(2000, 1000);
  z.Layout(0, 0, 0);
  EXPECT_FLOAT_EQ(z.ratio(), 0.0f);
  EXPECT_EQ(z.geometry().zoomed_width(), 1);
  EXPECT_EQ(z.geometry().zoomed_height(), 1);
  // Past 32 bits of pixels the arithmetic still holds.
  CZoomLayout huge(60000, 40000);
  huge.Layout(1600, 1000, 0);
  EXPECT_EQ(huge.geometry().zoomed_height(), 1000);
  EXPECT_EQ(huge.geometry().zoomed_width(), 1500);
  EXPECT_EQ(CZoomLayout::ZoomedExtent(60000, 1.0f), 60000);
}

}  // namespace
