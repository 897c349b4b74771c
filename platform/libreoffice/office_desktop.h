// Which office belongs to this desktop: the pipe is named after the display, and when the user's
// own office already runs on another display, this display gets a profile of Sorbel's own.
#pragma once

#include <string>
#include <vector>

namespace sorbel {

// The display this program shows on: Wayland's, else X11's; empty without one.
std::string CurrentDisplay();

// The pipe for `display`, e.g. "sorbel_0.0" for ":0.0". The office makes the user's id part of
// the pipe's path, so the name needs only the display.
std::string DesktopPipeName(const std::string& display);

// An office process of this user, as far as it matters here.
struct RunningOffice {
  bool own_profile = false;  // started with -env:UserInstallation, not the user's profile
  std::string display;       // the display it shows on
};

// Office processes of this user, from /proc.
std::vector<RunningOffice> RunningOffices();

// The profile folder for an office on `display`: empty (the user's own, so a Calc already open
// is reused) unless the user's own office runs on another display, which would take our
// documents there; then `config_home`/sorbel/office-<display>.
std::string DesktopProfile(const std::string& display, const std::vector<RunningOffice>& running,
                           const std::string& config_home);

}  // namespace sorbel
