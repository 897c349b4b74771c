// Code page names as the office's character set numbers: the names the program writes its files
// in map to the right tables, CP932 with its vendor characters; unknown names are an error.
#include "platform/libreoffice/csv_load.h"

#include <gtest/gtest.h>

#include "platform/error.h"

namespace sorbel {
namespace {

TEST(OfficeCharsetTest, ProgramCodePagesMapToTheOfficeNumbers) {
  EXPECT_EQ(OfficeCharset("UTF-8"), 76);
  EXPECT_EQ(OfficeCharset("utf8"), 76);
  // CP932 in every spelling the program may see is Windows-932, not plain Shift_JIS, so that
  // ①, ㈱ and 髙 read right.
  EXPECT_EQ(OfficeCharset("windows-31j"), 60);
  EXPECT_EQ(OfficeCharset("CP932"), 60);
  EXPECT_EQ(OfficeCharset("EUC-JP"), 69);
  try {
    OfficeCharset("no-such-charset");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kErrCodePage);
    EXPECT_NE(e.Description().find("no-such-charset"), std::string::npos);
  }
}

}  // namespace
}  // namespace sorbel
