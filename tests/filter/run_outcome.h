// How a whole filter run ended, as the hardening tests judge it: the one message shown, the
// result file's bytes, and whether the pointer and status text were put back.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "run_fixture.h"

namespace sorbel {

// A run that failed after the path check shows exactly one critical box starting
// "number:" and containing `part`, while the hourglass is on; then pointer and status go back
// and the run's result file, if it claimed one, is gone again.
inline void ExpectFailedRun(const RecordingHost& host, long number, const std::string& part) {
  ASSERT_EQ(host.messages.size(), 1u);
  const std::string& text = host.messages[0].text;
  EXPECT_EQ(host.messages[0].icon, kIconCritical);
  EXPECT_EQ(text.rfind(std::to_string(number) + ":", 0), 0u) << text;
  EXPECT_NE(text.find(part), std::string::npos) << text;
  ASSERT_GE(host.events.size(), 3u);
  EXPECT_EQ(host.events.front(), "pointer 11");
  EXPECT_EQ(host.events[host.events.size() - 2], "pointer 0");
  EXPECT_EQ(host.events.back(), "status ");
  if (!host.out_file_name.empty()) {
    EXPECT_FALSE(std::filesystem::exists(host.folder + "/" + host.out_file_name));
  }
}

// A run that wrote its result: no message, the pointer and status put back at the end.
inline void ExpectDoneRun(const RecordingHost& host) {
  EXPECT_TRUE(host.messages.empty()) << host.messages.front().text;
  ASSERT_GE(host.events.size(), 2u);
  EXPECT_EQ(host.events.front(), "pointer 11");
  EXPECT_EQ(host.events[host.events.size() - 2], "pointer 0");
  EXPECT_EQ(host.events.back(), "status ");
}

}  // namespace sorbel
