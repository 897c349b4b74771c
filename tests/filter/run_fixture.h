// A throw-away program folder with a catalogue and datasource.dsn, and a host that records
// what a filter run shows: messages, status texts and pointer changes, in order.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "filter/filter_run.h"
#include "tests/new_folder.h"

namespace sorbel {

class FixedClock : public Clock {
 public:
  LocalTime now{2012, 2, 1, 9, 5, 7};
  LocalTime Now() const override { return now; }
};

struct ShownMessage {
  std::string text;
  MsgBoxIcon icon;
  std::string caption;
};

class RecordingHost : public FilterHost, public MessageBox {
 public:
  std::string csv_path;
  FilterConditions conditions;
  std::string folder;
  FixedClock clock;
  std::vector<ShownMessage> messages;
  std::vector<std::string> events;  // "pointer 11", "status ...", "box ..."
  std::string out_file_name;

  std::string CsvPath() const override { return csv_path; }
  FilterConditions Conditions() const override { return conditions; }
  void SetStatusText(const std::string& text) override { events.push_back("status " + text); }
  void SetMousePointer(MousePointer p) override {
    events.push_back("pointer " + std::to_string(static_cast<int>(p)));
  }
  MessageBox& Messages() override { return *this; }
  void Show(const std::string& text, MsgBoxIcon icon, const std::string& caption) override {
    messages.push_back({text, icon, caption});
    events.push_back("box " + text);
  }
  const std::string& OutFileName() const override { return out_file_name; }
  void SetOutFileName(const std::string& name) override { out_file_name = name; }
  std::string AppFolder() const override { return folder; }
  const Clock& Time() const override { return clock; }
  SpreadsheetHost* Spreadsheet() override { return nullptr; }
};

class RunFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = sorbel::testing::NewTempFolder("sorbel-run");
    saved_cwd_ = std::filesystem::current_path();
    std::filesystem::copy_file(std::string(getenv("SORBEL_SOURCE_DIR")) + "/samples/datasource.dsn",
                               folder_ + "/datasource.dsn");
    host_.folder = folder_;
  }
  void TearDown() override {
    std::filesystem::current_path(saved_cwd_);
    std::filesystem::remove_all(folder_);
  }

  static void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  // Writes a catalogue outside the program folder, as a user's download would be.
  std::string Catalogue(const std::string& bytes, const std::string& name = "article.csv") {
    std::string path = folder_ + "-" + name;
    Put(path, bytes);
    extra_files_.push_back(path);
    return path;
  }
  std::string ResultPath() const { return folder_ + "/" + host_.out_file_name; }

  std::string folder_;
  std::filesystem::path saved_cwd_;
  RecordingHost host_;
  std::vector<std::string> extra_files_;

 public:
  ~RunFixture() override {
    for (const auto& f : extra_files_) std::filesystem::remove(f);
  }
};

}  // namespace sorbel
