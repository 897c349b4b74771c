// The result in a real window on an X display (Xvfb, openbox when installed), where the office
// lays a new view out only after showing it: the first result of a cold office too has its
// header row frozen.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include "display/spreadsheet_display.h"
#include "platform/libreoffice/libreoffice_host.h"
#include "tests/platform/libreoffice/office_probe.h"
#include "tests/platform/libreoffice/recording_box.h"
#include "tests/platform/libreoffice/test_display.h"

namespace sorbel {
namespace {

class CalcWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { display_ = new TestDisplay(); }
  static void TearDownTestSuite() {
    delete display_;
    display_ = nullptr;
  }

  void SetUp() override {
    if (!display_->Ready()) GTEST_SKIP() << "no X display for the office: " << display_->Why();
    setenv("DISPLAY", display_->Name().c_str(), 1);
    office_ = std::make_unique<TestOffice>();
  }
  void TearDown() override {
    if (!office_) return;
    office_->End();
    EXPECT_EQ(office_->Processes(), 0) << "an office process was left behind";
    office_.reset();
  }

  // The office on the display, drawing real windows.
  LibreOfficeOptions WindowOptions() const {
    LibreOfficeOptions options = office_->Options();
    options.headless = false;
    return options;
  }

  static inline TestDisplay* display_ = nullptr;
  std::unique_ptr<TestOffice> office_;
};

TEST_F(CalcWindowTest, FirstResultOfAColdOfficeHasItsHeaderFrozen) {
  LibreOfficeHost host(WindowOptions());
  const std::string path = std::string(getenv("SORBEL_SOURCE_DIR")) + "/samples/article.csv";
  RecordingBox box;
  ASSERT_EQ(office_->Processes(), 0);
  for (int result = 1; result <= 2; ++result) {
    ASSERT_TRUE(ShowExcel(host, box, path, "windows-31j", "家電"));
    std::vector<SeenDocument> documents = office_->Documents();
    ASSERT_EQ(documents.size(), static_cast<size_t>(result));
    for (const SeenDocument& document : documents) {
      EXPECT_TRUE(document.visible);
      EXPECT_TRUE(document.frozen_header) << "result " << result << " " << document.title;
      EXPECT_EQ(document.frozen_rows, 1) << "result " << result;
    }
  }
  EXPECT_TRUE(box.shown.empty());
}

}  // namespace
}  // namespace sorbel
