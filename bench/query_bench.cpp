// query_bench: one timed pass of the CSV query source: stage the catalogue while one query runs,
// write every result row to a file. bench/run.sh calls it and makes the table.

// Usage: query_bench APP_FOLDER CATALOGUE Q1|Q2|Q3|"SELECT ..." RESULT_FILE
// APP_FOLDER must be absolute and hold datasource.dsn; one line of timings goes to stdout.
#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <variant>

#include "filter/csv_source.h"
#include "filter/query_text.h"
#include "platform/database.h"
#include "platform/error.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The three benchmark queries, made the way the run makes them, or a query of one's own.
std::string QueryText(const std::string& name) {
  if (name.rfind("SELECT", 0) == 0) return name;
  sorbel::FilterConditions c;
  if (name == "Q1") {
    c.CategoryIndex = 2;
    c.CategoryText = "家電";
    c.FreeShippingOnly = true;
  } else if (name == "Q2") {
    c.ProductNameWords = "セット";
  } else if (name == "Q3") {
    c.ProductNameWords = "セット";
    c.CategoryIndex = 2;
    c.CategoryText = "家電";
    c.TagWords = "人気";
    c.PriceFrom = "1000";
    c.PriceTo = "5000";
    c.BundlingIndex = 1;
    c.BundlingText = "○";
    c.CreditCard = true;
    c.CashOnDelivery = true;
    c.FreeShippingOnly = true;
  } else {
    throw sorbel::Error(2, "unknown query " + name);
  }
  return sorbel::BuildSql(c);
}

// A plain buffered CSV writer: UTF-8 as the engine gives it, fields quoted when they must be.
class Writer {
 public:
  explicit Writer(const std::string& path)
      : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {
    if (fd_ < 0) throw sorbel::OsError(errno);
    buffer_.reserve(kSize + 4096);
  }
  ~Writer() { ::close(fd_); }

  void Field(std::string_view text, bool first) {
    if (!first) buffer_ += ',';
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
      buffer_ += text;
    } else {
      buffer_ += '"';
      for (size_t q; (q = text.find('"')) != std::string_view::npos; text.remove_prefix(q + 1)) {
        buffer_.append(text.substr(0, q + 1));
        buffer_ += '"';
      }
      buffer_ += text;
      buffer_ += '"';
    }
    if (buffer_.size() >= kSize) Flush();
  }
  void Value(const sorbel::FieldValue& v, bool first) {
    char number[32];
    if (const auto* n = std::get_if<std::int64_t>(&v)) {
      Field(std::string_view(number, std::to_chars(number, number + 32, *n).ptr - number), first);
    } else if (const auto* d = std::get_if<double>(&v)) {
      Field(std::string_view(number, std::to_chars(number, number + 32, *d).ptr - number), first);
    } else if (const auto* s = std::get_if<std::string_view>(&v)) {
      Field(*s, first);
    } else {
      Field("", first);
    }
  }
  void EndLine() { buffer_ += "\r\n"; }
  void Flush() {
    for (size_t done = 0; done < buffer_.size();) {
      ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
      if (n < 0) throw sorbel::OsError(errno);
      done += static_cast<size_t>(n);
    }
    written_ += buffer_.size();
    buffer_.clear();
  }
  size_t Written() const { return written_; }

 private:
  static constexpr size_t kSize = 1 << 20;
  int fd_;
  std::string buffer_;
  size_t written_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s APP_FOLDER CATALOGUE Q1|Q2|Q3|\"SELECT ...\" RESULT_FILE\n",
                 argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  try {
    const std::string sql = QueryText(argv[3]);
    // As the run does it: the copy runs while the query reads the chosen file.
    Clock::time_point start = Clock::now();
    sorbel::CsvStaging staging(argv[2], folder);
    double stage = Since(start);
    if (::chdir(folder.c_str()) != 0) throw sorbel::OsError(errno);

    Clock::time_point query_start = Clock::now();
    sorbel::Connection connection;
    connection.ConnectionString = sorbel::ConnectionText(folder);
    staging.ShareSource(connection);
    connection.Open();
    std::unique_ptr<sorbel::ResultRecords> records = connection.Execute(sql);
    double query = Since(query_start);
    Clock::time_point finish_start = Clock::now();
    staging.Finish();
    stage += Since(finish_start);

    Clock::time_point write_start = Clock::now();
    Writer out(argv[4]);
    for (int i = 0; i < records->FieldCount(); ++i) out.Field(records->FieldName(i), i == 0);
    out.EndLine();
    const std::int64_t count = records->RecordCount();
    for (std::int64_t r = 0; r < count; ++r, records->MoveNext()) {
      for (int j = 0; j < records->FieldCount(); ++j) out.Value(records->Value(j), j == 0);
      out.EndLine();
    }
    out.Flush();
    records->Close();
    connection.Close();
    double write = Since(write_start);

    std::printf("stage=%.3f query=%.3f write=%.3f total=%.3f rows=%lld bytes=%zu\n", stage, query,
                write, Since(start), static_cast<long long>(count), out.Written());
    return 0;
  } catch (const sorbel::Error& e) {
    std::fprintf(stderr, "%s\n", e.Report().c_str());
    return 1;
  }
}
