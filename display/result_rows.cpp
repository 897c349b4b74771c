// ResultRows: the result file's records as batches of cell texts, a line break in a value
// made the cell's own (LF), and the column widths taken from the first rows.
#include "display/result_rows.h"

#include <algorithm>

#include "text/utf8.h"

namespace sorbel {
namespace {

// A batch small enough to keep memory flat, large enough that each call to the office carries
// real work.
constexpr int kBatchRows = 2000;
constexpr std::size_t kBatchBytes = 8u << 20;
// Widths come from the first rows; the rest of a catalogue looks much the same.
constexpr std::int64_t kSampleRows = 500;
// No column narrower than a short heading, none so wide that the sheet shows little else.
constexpr int kMinWidth = 4;
constexpr int kMaxWidth = 40;

bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// A CR LF or a lone CR in a value becomes LF, as a cell holds its line breaks.
void AppendCellText(std::string_view text, std::string& out) {
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
    } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
      out += '\n';
    }
  }
}

}  // namespace

int TextWidth(std::string_view text) {
  int widest = 0;
  int width = 0;
  for (std::size_t i = 0; i < text.size();) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    if (b == '\n' || b == '\r') {
      widest = std::max(widest, width);
      width = 0;
      ++i;
      continue;
    }
    const char32_t c = NextCodePoint(text, i);
    width += IsWide(c) ? 2 : 1;
  }
  return std::max(widest, width);
}

ResultRows::ResultRows(const std::string& path, const std::string& codepage,
                       SpreadsheetSheet::Size fits, std::function<void(std::int64_t)> progress)
    : fits_(fits), progress_(std::move(progress)) {
  // The column names are the sheet's first row, exactly as written.
  reader_ = std::make_unique<CsvFileRecords>(path, codepage);
  file_columns_ = reader_->Columns();
  widths_.assign(static_cast<std::size_t>(Columns()), kMinWidth);
}

ResultRows::~ResultRows() = default;

int ResultRows::Columns() const {
  return static_cast<int>(std::min<std::int64_t>(file_columns_, fits_.columns));
}

bool ResultRows::NextRows(std::vector<std::string>& cells) {
  cells.clear();
  if (done_) return false;
  const int columns = Columns();
  int rows = 0;
  std::size_t bytes = 0;
  while (rows < kBatchRows && bytes < kBatchBytes) {
    if (!reader_->Next()) {
      done_ = true;
      break;
    }
    ++file_rows_;
    if (handed_ + rows >= fits_.rows) continue;  // beyond the sheet: counted only
    for (int c = 0; c < columns; ++c) {
      cells.emplace_back();
      AppendCellText(reader_->Field(c), cells.back());
      bytes += cells.back().size();
      if (file_rows_ <= kSampleRows) {
        int& width = widths_[static_cast<std::size_t>(c)];
        width = std::max(width, TextWidth(cells.back()));
      }
    }
    ++rows;
  }
  handed_ += rows;
  if (rows > 0 && progress_) progress_(handed_);
  return rows > 0;
}

std::vector<int> ResultRows::ColumnWidths() const {
  std::vector<int> widths = widths_;
  for (int& width : widths) width = std::clamp(width, kMinWidth, kMaxWidth);
  return widths;
}

}  // namespace sorbel
