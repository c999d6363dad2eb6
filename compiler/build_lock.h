#pragma once
// One build per application folder at a time: an exclusive lock on
// "Temp/build.lock", held for the whole build by whichever program builds.
// The lock is the kernel's (flock), so it goes away with the process that
// held it, however that process ends.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "compiler/plate_error.h"

namespace qp {

// Thrown when another build holds the folder and the caller chose not to wait.
class BuildBusyError : public PlateError {
 public:
  using PlateError::PlateError;
};

class BuildLock {
 public:
  // The lock if it is free now; std::nullopt when another build holds it.
  // Throws PlateError when the lock file cannot be opened.
  static std::optional<BuildLock> TryAcquire(const std::filesystem::path& application_folder);

  BuildLock(BuildLock&& other) noexcept;
  BuildLock& operator=(BuildLock&& other) noexcept;
  BuildLock(const BuildLock&) = delete;
  BuildLock& operator=(const BuildLock&) = delete;
  ~BuildLock();

 private:
  explicit BuildLock(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// The message shown while a build waits for the folder.
std::string WaitingForBuildLine(const std::filesystem::path& application_folder);

// Waits for the lock: tries it, and while it is busy calls `wait_step`
// (which should pump events and pause briefly) until the lock is free or
// `wait_step` answers false (a cancel), which gives std::nullopt. With no
// `wait_step`, a busy folder throws BuildBusyError at once.
std::optional<BuildLock> AcquireBuildLock(const std::filesystem::path& application_folder,
                                          const std::function<bool()>& wait_step);

}  // namespace qp
