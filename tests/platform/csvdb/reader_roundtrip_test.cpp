// Random records written as CSV in every way a writer may (quoted or not, any line end,
// quotes and line breaks inside) must read back exactly, across block and buffer edges.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/codepage.h"
#include "platform/csvdb/csv_reader.h"
#include "tests/platform/csvdb/reader_test_files.h"

namespace sorbel::csvdb {
namespace {

class RandomCsv {
 public:
  explicit RandomCsv(unsigned seed) : rng_(seed) {}

  // A field made of pieces that matter to the reader, often long enough to cross blocks.
  std::string Field() {
    static const char* const kPieces[] = {"a",    "12",  ",", "\"", "\r\n", "\n",   "\r", " ",
                                          "商品", "ｾｯﾄ", "①", "髙", "x\"y", "\"\"", "|"};
    std::string out;
    int pieces = Pick(8) == 0 ? Pick(200) : Pick(6);
    for (int i = 0; i < pieces; ++i) out += kPieces[Pick(std::size(kPieces))];
    return out;
  }

  // The field as a writer puts it: quoted when it must be, often when it need not be, and
  // a quote inside an unquoted field left as text. A record of one empty field is "".
  std::string Written(const std::string& field, bool only_field) {
    bool must = field.find_first_of(",\r\n") != std::string::npos ||
                (!field.empty() && field[0] == '"') || (only_field && field.empty());
    if (!must && Pick(3) != 0) return field;
    std::string out = "\"";
    for (char c : field) {
      out += c;
      if (c == '"') out += '"';
    }
    return out + "\"";
  }

  std::string LineEnd() {
    static const char* const kEnds[] = {"\n", "\r\n", "\r"};
    return kEnds[Pick(3)];
  }

  int Pick(std::size_t n) { return static_cast<int>(rng_() % n); }

 private:
  std::mt19937 rng_;
};

TEST(ReaderRoundTripTest, RandomRecordsReadBackExactlyInBothCharsets) {
  testing::TempFolder dir;
  for (unsigned seed = 1; seed <= 3; ++seed) {
    SCOPED_TRACE(seed);
    RandomCsv random(seed);
    const int columns = 1 + random.Pick(6);
    std::string text;
    std::vector<std::string> header;
    for (int c = 0; c < columns; ++c) {
      header.push_back("列" + std::to_string(c + 1));
      text += (c ? "," : "") + header.back();
    }
    text += random.LineEnd();
    testing::Rows rows;
    while (text.size() < (std::size_t{5} << 19)) {
      std::vector<std::string> row;
      for (int c = 0; c < columns; ++c) {
        row.push_back(random.Field());
        text += (c ? "," : "") + random.Written(row.back(), columns == 1);
      }
      for (std::string& field : row) {
        if (field.empty()) field = "<null>";
      }
      rows.push_back(row);
      text += random.LineEnd();
    }
    if (random.Pick(2)) text.erase(text.find_last_not_of("\r\n") + 1);  // no last line end

    auto check = [&](const std::string& path, const char* charset) {
      CsvFormat format;
      format.charset = charset;
      auto reader = CsvReader::Open(path, format);
      EXPECT_EQ(reader->ColumnNames(), header);
      testing::Rows got = testing::ReadAll(path, format);
      ASSERT_EQ(got.size(), rows.size());
      for (std::size_t r = 0; r < rows.size(); ++r) ASSERT_EQ(got[r], rows[r]) << "record " << r;
    };
    check(dir.Write(text, "utf8.csv"), "auto");
    check(dir.Write(FromUtf8(text, "windows-31j"), "cp932.csv"), "CP932");
  }
}

}  // namespace
}  // namespace sorbel::csvdb
