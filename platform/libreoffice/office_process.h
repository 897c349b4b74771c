// Finding the office program and starting it detached: not our child, in a session of its own,
// inheriting no descriptors, its input and output on /dev/null so no reader of ours waits for it.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace sorbel {

// The soffice to start: `configured` when given, else the installed one, else the first on PATH.
// Throws Error(kErrSpreadsheet) saying that soffice is missing when there is none.
std::string FindOffice(const std::string& configured);

class OfficeProcess {
 public:
  // Starts `program` with `args`, the environment ours plus `extra_env` ("NAME=value", which
  // wins). Throws Error when the program cannot be executed.
  static std::unique_ptr<OfficeProcess> Start(const std::string& program,
                                              const std::vector<std::string>& args,
                                              const std::vector<std::string>& extra_env);
  ~OfficeProcess();
  OfficeProcess(const OfficeProcess&) = delete;
  OfficeProcess& operator=(const OfficeProcess&) = delete;

  // False once the started process has ended. An office that was running already takes over
  // the arguments and the started process ends at once.
  bool Running() const;

  // Ends the started process and everything in its process group, if still running: for an
  // office we gave up on, so that it does not come up later unseen.
  void Stop();

 private:
  OfficeProcess(int pid, int pidfd) : pid_(pid), pidfd_(pidfd) {}
  int pid_;
  int pidfd_;  // -1 when the process cannot be watched; it then counts as running
};

}  // namespace sorbel
