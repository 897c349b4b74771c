// Staging: a fast copy of the chosen catalogue, on a thread of its own, under a temporary name
// exchanged with the staged file at the end, so the staged file is the old copy or the new one.
#include "filter/csv_source.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

#include "filter/program_files.h"
#include "filter/run_leftovers.h"
#include "filter/staging_stamp.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/error.h"
#include "platform/file_copy.h"
#include "platform/file_system.h"

namespace sorbel {
namespace {

constexpr size_t kChunk = 1 << 20;

// Whether `staged` already holds exactly the first `size` bytes of `in` (and no more), read
// only from the page cache: when the earlier copy is no longer cached, reading it back from
// disk would cost more than writing a new copy, so the answer is then no. A run repeated on
// the same catalogue thus writes nothing, where a copy would dirty the whole file again.
bool StagedMatches(OpenFile& in, OpenFile& staged, std::int64_t size,
                   const std::atomic<bool>& stop) {
  std::vector<char> want(kChunk);
  std::vector<char> have(kChunk);
  try {
    for (std::int64_t at = 0; at < size;) {
      if (stop) return false;
      const size_t step = static_cast<size_t>(std::min<std::int64_t>(kChunk, size - at));
      const size_t n = in.ReadAt(at, want.data(), step);
      if (n == 0) return false;
      if (staged.ReadAtIfCached(at, have.data(), n) != n) return false;
      if (std::memcmp(want.data(), have.data(), n) != 0) return false;
      at += static_cast<std::int64_t>(n);
    }
    return staged.State().size == size;
  } catch (const Error&) {
    return false;  // the copy meets the same error and reports it
  }
}

// Puts the finished copy in place of an earlier staged file. The two names are exchanged
// rather than the copy renamed over the old file: for such a rename ext4 writes the whole new
// file to disk before returning, which costs seconds for a large catalogue. The old copy then
// has the temporary name and true is returned: the caller removes it. Throws OsError.
bool ReplaceStaged(const std::string& temp_path, const std::string& staged_path) {
  if (ExchangeNames(temp_path, staged_path)) return true;
  // A file system that cannot exchange names takes the plain rename.
  RenameFile(temp_path, staged_path);
  return false;
}

// Any write changes the time of change, even one that puts the time of modification back.
bool SameContent(const FileState& a, const FileState& b) {
  return a.size == b.size && a.modified == b.modified && a.changed == b.changed;
}

Error ChangedError(const std::string& chosen_path) {
  return Error(kErrCsvFile, "CSVファイル「" + chosen_path +
                                "」を読めません: 読み込みの途中でファイルが変更されました。"
                                "もう一度実行してください。");
}

// The chosen file cannot be used: its name, and why in words a shop owner can act on.
Error ChosenError(const std::string& chosen_path, int err) {
  std::string why;
  switch (err) {
    case EISDIR:
      why = "フォルダーです。CSVファイルを選んでください。";
      break;
    case ENODEV:
      why = "装置のファイルです。CSVファイルを選んでください。";
      break;
    case EINVAL:
      why = "パイプなどの特殊なファイルです。CSVファイルを選んでください。";
      break;
    default:
      why = "開けません: " + OsErrorText(err);
  }
  return Error(err, "CSVファイル「" + chosen_path + "」は" + why);
}

Error CopyError(const std::string& staged_path, const Error& os_error) {
  return Error(os_error.Number(),
               "CSVファイルを「" + staged_path + "」にコピーできません: " + os_error.Description());
}

}  // namespace

class CsvStaging::Impl {
 public:
  Impl(const std::string& chosen_path, const std::string& app_folder);
  ~Impl();
  void ShareSource(Connection& connection) const;
  void Finish();
  void ThrowIfChanged() const;

 private:
  bool Changed() const;
  void CheckUnchanged(FileState& now);
  void PutInPlace();
  void RemoveOldCopy();
  void Abandon();

  std::string chosen_path_;
  std::string staged_path_;
  std::string temp_path_;  // empty when there is nothing (more) to put in place
  OpenFile in_;
  OpenFile out_;
  OpenFile staged_;             // the earlier staged copy, when it may equal the chosen file
  bool unchanged_ = false;      // nothing to copy: the staged file holds the chosen file's bytes
  std::int64_t read_from_ = 0;  // when the chosen file was opened (NanosNow)
  FileState chosen_;
  FileState staged_as_read_;  // the earlier staged copy when opened, before comparing
  std::atomic<bool> stop_{false};
  std::int64_t copied_ = 0;     // the bytes the copy has, read after the thread has ended
  std::optional<Error> error_;  // the copy's failure, read after the thread has ended
  std::thread copier_;
  std::thread remover_;
};

CsvStaging::Impl::Impl(const std::string& chosen_path, const std::string& app_folder)
    : chosen_path_(chosen_path), staged_path_(InFolder(app_folder, kStagedName)) {
  // A pipe or a socket is no catalogue either: its bytes could not be read twice, by the query
  // and the copy. Told before opening: a pipe nobody writes to must not hold the run up.
  const std::optional<FileState> first = FileStateOf(chosen_path);
  if (first && first->kind == FileKind::kPipe) throw ChosenError(chosen_path, EINVAL);
  read_from_ = NanosNow();
  try {
    in_ = OpenForReading(chosen_path);
    chosen_ = in_.State();
  } catch (const Error& e) {
    throw ChosenError(chosen_path, static_cast<int>(e.Number()));
  }
  if (chosen_.kind == FileKind::kFolder) throw ChosenError(chosen_path, EISDIR);
  // A device is no catalogue, and one such as /dev/zero would be copied until the disk is full.
  if (chosen_.kind == FileKind::kDevice) throw ChosenError(chosen_path, ENODEV);
  if (chosen_.kind != FileKind::kRegular) throw ChosenError(chosen_path, EINVAL);
  // Nothing to copy for an empty file (no catalogue: the query says so, naming it, and the
  // earlier staged copy stays) nor for the staged file itself. Either way the query reads it
  // through our open file, and Finish checks that it did not change meanwhile.
  const std::optional<FileState> staged = FileStateOf(staged_path_);
  if (chosen_.size == 0 || (staged && staged->identity == chosen_.identity)) {
    unchanged_ = true;
    copied_ = chosen_.size;
    return;
  }
  if (staged && staged->kind == FileKind::kRegular && staged->size == chosen_.size) {
    try {
      // An earlier copy someone holds is not worth waiting for: it is copied anew.
      staged_ = OpenForReading(staged_path_, WhenLeased::kFail);
      staged_as_read_ = staged_.State();
    } catch (const Error&) {
      staged_ = OpenFile();
    }
    // Copied from this very file as it is now: nothing to compare, nothing to copy.
    if (staged_.IsOpen() && StagingStampMatches(staged_, chosen_)) {
      unchanged_ = true;
      copied_ = chosen_.size;
      return;
    }
  }

  try {
    out_ = CreateTemporaryBeside(staged_path_, temp_path_);
  } catch (const Error& e) {
    temp_path_.clear();
    throw CopyError(staged_path_, e);
  }
  try {
    copier_ = std::thread([this] {
      if (staged_.IsOpen() && StagedMatches(in_, staged_, chosen_.size, stop_)) {
        unchanged_ = true;
        copied_ = chosen_.size;
        return;
      }
      try {
        if (!CopyRest(in_, out_, stop_, copied_)) error_ = OsError(ECANCELED);
      } catch (const Error& e) {
        error_ = e;
      }
    });
  } catch (...) {
    Abandon();
    throw;
  }
}

CsvStaging::Impl::~Impl() {
  stop_ = true;
  if (copier_.joinable()) copier_.join();
  if (remover_.joinable()) remover_.join();
  Abandon();
}

void CsvStaging::Impl::ShareSource(Connection& connection) const {
  if (copier_.joinable() || unchanged_) {
    connection.ReadTableFrom(kStagedName, in_, chosen_path_);
  }
}

void CsvStaging::Impl::Finish() {
  FileState now;
  if (!copier_.joinable()) {
    if (unchanged_) CheckUnchanged(now);
    return;
  }
  copier_.join();
  // A file cut short or rewritten while it was read fails the copy in ways that say nothing of
  // the cause; the change is what the user must hear of.
  if (error_ && Changed()) {
    Abandon();
    throw ChangedError(chosen_path_);
  }
  if (!error_) {
    // The query read this file while the copy ran: both saw the same bytes only if it kept
    // its size and time of change, and the copy has all of it.
    CheckUnchanged(now);
    // Untouched since it was opened (CheckUnchanged): the copy may say so.
    if (unchanged_) {
      WriteStagingStamp(staged_, &staged_as_read_, now, read_from_);
    } else {
      WriteStagingStamp(out_, nullptr, now, read_from_);
    }
  }
  if (unchanged_ && !error_) {
    Abandon();
    return;
  }
  PutInPlace();  // throws the copy's or the check's error, if any
}

// Throws Error(kErrCsvFile) when the chosen file is not as it was when opened, or the copy
// does not have all of it; `now` receives its state.
void CsvStaging::Impl::CheckUnchanged(FileState& now) {
  try {
    now = in_.State();
  } catch (const Error&) {
    Abandon();
    throw;
  }
  if (SameContent(chosen_, now) && copied_ == now.size) return;
  Abandon();
  throw ChangedError(chosen_path_);
}

bool CsvStaging::Impl::Changed() const {
  try {
    return !SameContent(chosen_, in_.State());
  } catch (const Error&) {
    return true;
  }
}

void CsvStaging::Impl::ThrowIfChanged() const {
  if (Changed()) throw ChangedError(chosen_path_);
}

// Closes the finished copy and exchanges it with the staged file; on any failure the
// temporary file goes and the error is thrown.
void CsvStaging::Impl::PutInPlace() {
  bool exchanged = false;
  try {
    if (error_) throw *error_;
    out_.Close();
    const std::optional<FileState> staged = FileStateOf(staged_path_);
    if (staged && staged->kind == FileKind::kRegular) {
      exchanged = ReplaceStaged(temp_path_, staged_path_);
    } else {
      RenameFile(temp_path_, staged_path_);
    }
  } catch (const Error& e) {
    Abandon();
    throw CopyError(staged_path_, e);
  }
  if (exchanged) RemoveOldCopy();
  temp_path_.clear();
}

// Freeing a large file's cached pages takes a while: a thread of its own does it, so the
// run goes on meanwhile; the destructor waits for it.
void CsvStaging::Impl::RemoveOldCopy() {
  try {
    remover_ = std::thread([path = temp_path_] { RemoveFile(path); });
  } catch (...) {
    RemoveFile(temp_path_);
  }
}

void CsvStaging::Impl::Abandon() {
  out_ = OpenFile();
  if (!temp_path_.empty()) RemoveFile(temp_path_);
  temp_path_.clear();
}

CsvStaging::CsvStaging(const std::string& chosen_path, const std::string& app_folder)
    : impl_(std::make_unique<Impl>(chosen_path, app_folder)) {}
CsvStaging::~CsvStaging() = default;
void CsvStaging::ShareSource(Connection& connection) const { impl_->ShareSource(connection); }
void CsvStaging::Finish() { impl_->Finish(); }
void CsvStaging::ThrowIfChanged() const { impl_->ThrowIfChanged(); }

void StageCsv(const std::string& chosen_path, const std::string& app_folder) {
  CsvStaging(chosen_path, app_folder).Finish();
}

std::string ConnectionText(const std::string& app_folder) {
  std::string path = InFolder(app_folder, kDataSourceName);
  if (path.find_first_of(";{}") == std::string::npos && path.front() != ' ' && path.back() != ' ') {
    return "FILEDSN=" + path + ";";
  }
  std::string braced = "{";
  for (char c : path) {
    braced += c;
    if (c == '}') braced += '}';
  }
  return "FILEDSN=" + braced + "};";
}

}  // namespace sorbel
