// Fuzz target: the connection text parser, the .dsn file reader and the data source they make.
// Every input must give settings or Error(kErrDataSource) with a description; never a crash.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/codepage.h"
#include "platform/csvdb/connection_text.h"
#include "platform/csvdb/data_source.h"
#include "platform/csvdb/dsn_file.h"
#include "platform/error.h"
#include "tests/fuzz/fuzz_input.h"
#include "text/utf8.h"

namespace sorbel::fuzz {
namespace {

// The parser's own complaint, or the data source's: either way error 3001 saying what it is.
void CheckError(const Error& e) {
  FUZZ_CHECK(e.Number() == kErrDataSource);
  const std::string& d = e.Description();
  FUZZ_CHECK(d.rfind("データソース", 0) == 0 || d.rfind("接続文字列が正しくありません。", 0) == 0);
}

}  // namespace
}  // namespace sorbel::fuzz

// Input: connection text '\x01' description file bytes. The text is parsed alone, then used
// after a FILEDSN naming the file (the first FILEDSN wins, so no input names another file).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace sorbel;
  using namespace sorbel::fuzz;
  static FuzzFolder folder;
  InputReader input(data, size);
  std::string text = input.Text();
  std::string dsn_path = folder.Write("f.dsn", input.Rest());

  try {
    csvdb::Settings settings = csvdb::ParseConnectionText(text);
    for (const auto& [key, value] : settings) {
      FUZZ_CHECK(!key.empty() && key == csvdb::LowerAscii(key));
      FUZZ_CHECK(key.find_first_of(";=") == std::string::npos);
    }
  } catch (const Error& e) {
    CheckError(e);
  }
  try {
    csvdb::Settings settings = csvdb::ReadDsnFile(dsn_path);
    for (const auto& [key, value] : settings) {
      FUZZ_CHECK(!key.empty() && key == csvdb::LowerAscii(key) && IsValidUtf8(value));
    }
  } catch (const Error& e) {
    CheckError(e);
  }
  try {
    csvdb::DataSource source = csvdb::ResolveDataSource("FILEDSN={" + dsn_path + "};" + text);
    FUZZ_CHECK(!source.folder.empty() && source.folder.front() == '/');
    char d = source.format.delimiter;
    FUZZ_CHECK(d == ',' || d == ';' || d == ':' || d == '\t');
    FUZZ_CHECK(!source.format.charset.empty());
  } catch (const Error& e) {
    CheckError(e);
  }
  return 0;
}
