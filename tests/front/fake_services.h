// Test doubles for the platform services the windows call: they record what they were asked
// and answer as the test says, so no real dialog, browser or message box appears.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/browser_launcher.h"
#include "platform/desktop_folder.h"
#include "platform/error.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"

namespace sorbel::test {

class FakeFileDialog : public FileDialog {
 public:
  enum class Answer { kChoose, kCancel, kFail };
  Answer answer = Answer::kChoose;
  std::string chosen = "/home/user/Desktop/article.csv";
  std::vector<OpenFileOptions> shown;

  std::optional<std::string> ShowOpen(const OpenFileOptions& options) override {
    if (answer == Answer::kFail) throw Error(1001, "no dialog");
    shown.push_back(options);
    if (answer == Answer::kCancel) return std::nullopt;
    return chosen;
  }
};

class FakeDesktopFolder : public DesktopFolder {
 public:
  std::string path = "/home/user/Desktop";
  bool fail = false;

  std::string Path() const override {
    if (fail) throw Error(2, "no desktop");
    return path;
  }
};

class FakeBrowserLauncher : public BrowserLauncher {
 public:
  bool answer = true;
  std::vector<std::string> opened;

  bool Open(const std::string& url) override {
    opened.push_back(url);
    return answer;
  }
};

struct ShownMessage {
  std::string text;
  MsgBoxIcon icon;
  std::string caption;
};

class FakeMessageBox : public MessageBox {
 public:
  std::vector<ShownMessage> shown;

  void Show(const std::string& text, MsgBoxIcon icon, const std::string& caption) override {
    shown.push_back({text, icon, caption});
  }
};

}  // namespace sorbel::test
