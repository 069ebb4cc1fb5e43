// A test suite base that brings up what picture code needs: COM, GDI+ and the
// process-wide imaging factory, once per suite; the current picture is reset after it.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "app/zelto_app.h"
#include "basic_lib/auto_init.h"
#include "image/current_picture.h"

class ImagingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    com() = std::make_unique<FCAutoInitializeCOM>();
    gdiplus() = std::make_unique<FCAutoInitGDIPlus>();
    ASSERT_TRUE(CreateWICFactory());
  }
  static void TearDownTestSuite() {
    CurrentPicture::Instance().Reset();
    ReleaseWICFactory();
    gdiplus().reset();
    com().reset();
  }

 private:
  static std::unique_ptr<FCAutoInitializeCOM>& com() {
    static std::unique_ptr<FCAutoInitializeCOM> guard;
    return guard;
  }
  static std::unique_ptr<FCAutoInitGDIPlus>& gdiplus() {
    static std::unique_ptr<FCAutoInitGDIPlus> guard;
    return guard;
  }
};
