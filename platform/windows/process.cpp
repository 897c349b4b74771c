// Processes and the boot on Windows: OpenProcess asks after a process; the boot is named by
// the moment it started, the current time less the time since the boot, to ten seconds.
#include "platform/process.h"

#include <windows.h>

#include <cstdint>

namespace sorbel {
namespace {

// FILETIME counts 100 ns steps from 1601.
constexpr std::int64_t kFileTimeAt1970 = 116444736000000000;
// Windows names no boot. The moment of the boot drifts a little with the clock's corrections
// (and jumps when the clock is set): a new name then only means that a note is not trusted
// and the bytes are compared. Two boots never fall into one step of ten seconds: a restart
// takes longer.
constexpr std::int64_t kBootStepSeconds = 10;

}  // namespace

long ProcessId() { return static_cast<long>(::GetCurrentProcessId()); }

bool ProcessLives(long pid) {
  if (pid <= 0) return true;
  const HANDLE process =
      ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  // No such process is told by an invalid parameter; anything else (another user's process
  // denies access) counts as alive.
  if (process == nullptr) return ::GetLastError() != ERROR_INVALID_PARAMETER;
  // A process that has ended lives on as an object while handles to it stay open.
  DWORD code = 0;
  const bool lives = !::GetExitCodeProcess(process, &code) || code == STILL_ACTIVE;
  ::CloseHandle(process);
  return lives;
}

std::string BootId() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  const std::int64_t now_seconds =
      ((static_cast<std::int64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime) -
       kFileTimeAt1970) /
      10'000'000;
  const std::int64_t up_seconds = static_cast<std::int64_t>(::GetTickCount64() / 1000);
  const std::int64_t boot = (now_seconds - up_seconds + kBootStepSeconds / 2) / kBootStepSeconds;
  return "boot-" + std::to_string(boot * kBootStepSeconds);
}

// A write past the file size limit fails with an error code on Windows: no signal ends the
// program, so there is nothing to do.
void KeepWritesFromEndingTheProgram() {}

}  // namespace sorbel
