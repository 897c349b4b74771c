// clsTextFile over the file system port: each operation opens, does its job and closes.
// Content is converted between UTF-8 and the file's code page on the way in and out.
#include "fileutil/text_file.h"

#include <cerrno>

#include "fileutil/file_exists.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "text/utf8.h"

namespace sorbel {
namespace {

constexpr char kNotFound[] = "ファイルが見つかりません。";

// Reads to the end.
void ReadAll(OpenFile& file, std::string& out) {
  char buf[1 << 16];
  while (const std::size_t n = file.Read(buf, sizeof buf)) out.append(buf, n);
}

}  // namespace

clsTextFile::clsTextFile() : codepage_(SystemCodePage()) {}

clsTextFile::clsTextFile(std::string codepage) : codepage_(std::move(codepage)) {}

bool clsTextFile::Fail(Error error) {
  message_ = error.Report();
  failure_ = std::move(error);
  return false;
}

bool clsTextFile::NotFound() {
  failure_ = Error(ENOENT, kNotFound);
  message_ = kNotFound;
  return false;
}

bool clsTextFile::ReadText(std::string_view vstrFilePath, std::string& rstrCont) {
  if (!FileExists(vstrFilePath)) return NotFound();
  try {
    OpenFile file = OpenForReading(std::string(vstrFilePath), WhenLeased::kFail);
    // A device or pipe may never end (/dev/zero); only whole regular files are read.
    const FileState state = file.State();
    if (state.kind != FileKind::kRegular) return Fail(OsError(EINVAL));
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(state.size));
    ReadAll(file, bytes);
    rstrCont = ToUtf8(bytes, codepage_);
  } catch (const Error& e) {
    return Fail(e);
  }
  return true;
}

bool clsTextFile::WriteText(std::string_view vstrFilePath, std::string_view vstrCont,
                            EscapedCharacters* escaped) {
  if (!FileExists(vstrFilePath)) return NotFound();
  if (vstrCont.empty()) return true;
  // Well-formed UTF-8 into a UTF-8 file goes out as it is, without a copy of a large text.
  std::string_view bytes = vstrCont;
  std::string_view tail = "\r\n";
  if (!IsUtf8CodePage(codepage_) || !IsValidUtf8(vstrCont)) {
    try {
      FromUtf8Into(vstrCont, codepage_, converted_, escaped);
    } catch (const Error& e) {
      return Fail(e);
    }
    // The line end in the room after the bytes, where there is some: one write, no joined copy.
    if (converted_.capacity() - converted_.size() >= tail.size()) {
      converted_ += tail;
      tail = {};
    }
    bytes = converted_;
  }
  try {
    OpenFile file = OpenForWriting(std::string(vstrFilePath), WriteStart::kAtEnd);
    file.Write(bytes, tail);
    file.Close();
  } catch (const Error& e) {
    return Fail(e);
  }
  return true;
}

bool clsTextFile::ClearText(std::string_view vstrFilePath) {
  if (!FileExists(vstrFilePath)) return NotFound();
  try {
    OpenForWriting(std::string(vstrFilePath), WriteStart::kEmptied);
  } catch (const Error& e) {
    return Fail(e);
  }
  return true;
}

bool clsTextFile::CreateText(std::string_view strFilePath) {
  if (FileExists(strFilePath)) return true;
  // An empty name cannot be created; say so in the OS's own words.
  if (strFilePath.empty()) return Fail(OsError(ENOENT));
  try {
    OpenForWriting(std::string(strFilePath), WriteStart::kCreatedIfMissing);
  } catch (const Error& e) {
    return Fail(e);
  }
  return true;
}

}  // namespace sorbel
