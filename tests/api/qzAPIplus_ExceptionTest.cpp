#include "api/qzAPIplus_Exception.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct Case {
  const char* name;
  int32_t code;
  std::string operation;
  std::string description;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

// "Invalid handle" (14 characters) leaves 160 characters for the operation name.
const std::string kLongestName(200 - 26 - 14 - 1, 'n');

class ExceptionDescription : public testing::TestWithParam<Case> {};

TEST_P(ExceptionDescription, IsBuiltFromTheStatusTable) {
  const Case& c = GetParam();
  const qzAPIplus_Exception e(c.code, c.operation.c_str());
  EXPECT_EQ(e.GetCode(), c.code);
  EXPECT_EQ(std::string(e.GetDescription()), c.description);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExceptionDescription,
    testing::Values(
        Case{"TableHit", 113, "GetFFSFileSize",
             "FFS file not found (qzAPIplus_Camera::GetFFSFileSize)"},
        Case{"FirstRowOfTwoWins", 0, "X", "Function call succeeded (qzAPIplus_Camera::X)"},
        Case{"LastRow", 1036, "Y",
             "Image can't be processed due to image width alignment is not supported by Image "
             "Processor. (qzAPIplus_Camera::Y)"},
        Case{"MissingCode", 37, "GetVersion", "(missing_error_description)"},
        Case{"NegativeCode", -5, "GetVersion", "(missing_error_description)"},
        Case{"LongestThatFits", 1, kLongestName,
             "Invalid handle (qzAPIplus_Camera::" + kLongestName + ")"},
        Case{"TooLong", 1, kLongestName + "n", "(descr_too_long)"}),
    [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(qzAPIplus_Exception, CopiesTheDescriptionOnlyIntoRoomyBuffers) {
  const qzAPIplus_Exception e(1, "Close");
  char small[7];
  std::memset(small, '#', sizeof small);
  e.GetDescription(small, sizeof small);
  EXPECT_EQ(std::string(small, sizeof small), "#######");
  char eight[8];
  e.GetDescription(eight, sizeof eight);
  EXPECT_EQ(std::string(eight), "Invalid");
  char whole[200];
  e.GetDescription(whole, sizeof whole);
  EXPECT_EQ(std::string(whole), "Invalid handle (qzAPIplus_Camera::Close)");
}

TEST(qzAPIplus_Exception, PrintsCodeAndDescription) {
  testing::internal::CaptureStdout();
  qzAPIplus_Exception(105, "GetCameraName").Print();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "qzAPIplus-Error 105:Input buffer is too small (qzAPIplus_Camera::GetCameraName)\n");
}

}  // namespace
