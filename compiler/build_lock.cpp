#include "compiler/build_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace qp {

std::optional<BuildLock> BuildLock::TryAcquire(const std::filesystem::path& application_folder) {
  const std::filesystem::path path = application_folder / "Temp" / "build.lock";
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int error = errno;
    throw PlateError("Unable to open " + path.string() + ": " + std::strerror(error));
  }
  int result;
  do {
    result = flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    const int error = errno;
    close(fd);
    if (error == EWOULDBLOCK) return std::nullopt;
    throw PlateError("Unable to lock " + path.string() + ": " + std::strerror(error));
  }
  return BuildLock(fd);
}

BuildLock::BuildLock(BuildLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

BuildLock& BuildLock::operator=(BuildLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

BuildLock::~BuildLock() {
  // Closing the last descriptor of the open file releases the lock.
  if (fd_ >= 0) close(fd_);
}

std::string WaitingForBuildLine(const std::filesystem::path& application_folder) {
  return "Waiting for another build in " + application_folder.string() + " to finish";
}

std::optional<BuildLock> AcquireBuildLock(const std::filesystem::path& application_folder,
                                          const std::function<bool()>& wait_step) {
  for (;;) {
    if (std::optional<BuildLock> lock = BuildLock::TryAcquire(application_folder)) return lock;
    if (!wait_step) {
      throw BuildBusyError("Another build in " + application_folder.string() + " is running");
    }
    if (!wait_step()) return std::nullopt;
  }
}

}  // namespace qp
