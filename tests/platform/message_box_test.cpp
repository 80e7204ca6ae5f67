#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/message_box.h"

namespace {

// Without any display the box has nowhere to appear: it must say its piece
// on standard error and return, not end the process as FLTK would.
class MessageBoxWithoutDisplayTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (const char* display = std::getenv("DISPLAY"))
      savedDisplay_ = display;
    unsetenv("DISPLAY");
  }
  void TearDown() override {
    if (!savedDisplay_.empty())
      setenv("DISPLAY", savedDisplay_.c_str(), 1);
  }

private:
  std::string savedDisplay_;
};

TEST_F(MessageBoxWithoutDisplayTest, WritesCaptionAndTextToStandardError) {
  testing::internal::CaptureStderr();
  const int result = MessageBoxA(nullptr, "Can't initialize digital sound system", "Error", MB_OK);
  const std::string written = testing::internal::GetCapturedStderr();
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(written, "Error: Can't initialize digital sound system\n");
}

TEST_F(MessageBoxWithoutDisplayTest, MissingTextsAreNoCrash) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK), IDOK);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: \n");
}

} // namespace
