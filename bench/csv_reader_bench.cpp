// csv_reader_bench: times the CSV reader alone on a catalogue file, in the ways a query uses it.
// Usage: csv_reader_bench FILE [CHARSET]; prints wall and CPU seconds for each way, best of 3.
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "platform/csvdb/csv_reader.h"
#include "platform/error.h"

namespace {

using sorbel::csvdb::CsvField;
using sorbel::csvdb::CsvFormat;
using sorbel::csvdb::CsvReader;
using sorbel::csvdb::FieldKind;

int ColumnOf(const CsvReader& reader, const std::string& name) {
  const auto& names = reader.ColumnNames();
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) return static_cast<int>(i);
  }
  return -1;
}

// CPU time of the process: steadier than wall time on a machine busy with other work.
double CpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Runs `pass` over a fresh reader three times; prints the best times and what it counted.
void Time(const char* what, const std::string& path, const CsvFormat& format, double megabytes,
          const std::function<long(CsvReader&)>& pass) {
  double best = 1e9;
  double best_cpu = 1e9;
  long count = 0;
  for (int run = 0; run < 3; ++run) {
    auto start = std::chrono::steady_clock::now();
    double cpu_start = CpuSeconds();
    auto reader = CsvReader::Open(path, format);
    count = pass(*reader);
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
    best_cpu = std::min(best_cpu, CpuSeconds() - cpu_start);
  }
  std::printf("%-30s %7.3f s wall %7.3f s cpu %6.0f MB/s  %ld\n", what, best, best_cpu,
              megabytes / best, count);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE [CHARSET]\n", argv[0]);
    return 2;
  }
  std::string path = argv[1];
  CsvFormat format;
  if (argc > 2) format.charset = argv[2];
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    std::perror(path.c_str());
    return 1;
  }
  double megabytes = static_cast<double>(st.st_size) / 1e6;
  try {
    auto probe = CsvReader::Open(path, format);
    int category = ColumnOf(*probe, "カテゴリー名");
    int free_shipping = ColumnOf(*probe, "送料無料");
    int name = ColumnOf(*probe, "商品名");
    int columns = static_cast<int>(probe->ColumnNames().size());
    std::printf("%s: %.0f MB, %d columns, %s\n", path.c_str(), megabytes, columns,
                probe->Charset().c_str());

    Time("records only", path, format, megabytes, [](CsvReader& r) {
      long n = 0;
      while (r.Next()) ++n;
      return n;
    });
    // Q1's shape: two fields of every record, every field of the matching ones.
    Time("Q1 (category, free shipping)", path, format, megabytes, [&](CsvReader& r) {
      long matches = 0;
      std::size_t bytes = 0;
      while (r.Next()) {
        if (r.Field(category).text != "家電") continue;
        CsvField f = r.Field(free_shipping);
        if (f.kind != FieldKind::kInteger || f.integer != 1) continue;
        ++matches;
        for (int i = 0; i < columns; ++i) bytes += r.Field(i).text.size();
      }
      return matches + static_cast<long>(bytes % 1);
    });
    Time("product name of every record", path, format, megabytes, [&](CsvReader& r) {
      long n = 0;
      std::size_t bytes = 0;
      while (r.Next()) {
        bytes += r.Field(name).text.size();
        ++n;
      }
      return n + static_cast<long>(bytes % 1);
    });
    Time("every field of every record", path, format, megabytes, [&](CsvReader& r) {
      long fields = 0;
      while (r.Next()) {
        for (int i = 0; i < columns; ++i) fields += r.Field(i).kind != FieldKind::kNull;
      }
      return fields;
    });
  } catch (const sorbel::Error& e) {
    std::fprintf(stderr, "%s\n", e.Report().c_str());
    return 1;
  }
  return 0;
}
