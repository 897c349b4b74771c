// An X display of the test's own, for what only a real window shows: Xvfb on a number it picks
// itself, with openbox when installed, both ending when the test program ends however it ends.
#pragma once

#include <string>

namespace sorbel {

class TestDisplay {
 public:
  TestDisplay();   // starts Xvfb (and openbox); Ready() tells whether it came up
  ~TestDisplay();  // ends both
  TestDisplay(const TestDisplay&) = delete;
  TestDisplay& operator=(const TestDisplay&) = delete;

  bool Ready() const { return !name_.empty(); }
  const std::string& Name() const { return name_; }  // ":93"
  const std::string& Why() const { return why_; }    // why it is not ready

 private:
  std::string name_;
  std::string why_;
  int server_ = -1;
  int window_manager_ = -1;
  int wm_output_ = -1;  // openbox's output, read until its start-up command has run
};

}  // namespace sorbel
