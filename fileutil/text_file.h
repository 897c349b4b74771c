// clsTextFile: whole-file text jobs (read all, append, empty, create) answering true or false.
// It never shows anything; the text of the last failure waits in Message() for the caller.
#pragma once

#include <string>
#include <string_view>

#include "platform/error.h"

namespace sorbel {

class EscapedCharacters;  // text/escaped_characters.h

class clsTextFile {
 public:
  // Files are read and written in `codepage`; by default the system code page.
  clsTextFile();
  explicit clsTextFile(std::string codepage);

  // The last failure: "ファイルが見つかりません。" or number ":" description. A success
  // never clears it.
  const std::string& Message() const { return message_; }
  // The same failure as an Error, for a caller that words it in a sentence of its own.
  const Error& Failure() const { return failure_; }

  // The whole content of an existing file, as UTF-8, into rstrCont (unchanged on failure).
  bool ReadText(std::string_view vstrFilePath, std::string& rstrCont);
  // Appends vstrCont and CR LF to an existing file in one write; empty content writes nothing.
  // A character the code page lacks is written as "&#N;" (FromUtf8) and noted in `escaped`.
  bool WriteText(std::string_view vstrFilePath, std::string_view vstrCont,
                 EscapedCharacters* escaped = nullptr);
  // Cuts an existing file to length zero.
  bool ClearText(std::string_view vstrFilePath);
  // Creates the file empty unless it exists already; an existing file is left as it is.
  bool CreateText(std::string_view strFilePath);

 private:
  bool Fail(Error error);
  bool NotFound();

  std::string codepage_;
  std::string converted_;  // the last text written in the code page; its room serves the next
  std::string message_;
  Error failure_{0, ""};
};

}  // namespace sorbel
