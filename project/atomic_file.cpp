#include "project/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

#include "project/errors.h"

namespace qp {

namespace {

constexpr size_t kNoFailure = std::numeric_limits<size_t>::max();
thread_local size_t write_failure_after = kNoFailure;

// Owns the temporary file until it has been renamed into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& target) {
    std::filesystem::path path(target);
    name_ = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
    fd_ = mkstemp(name_.data());
    created_ = fd_ >= 0;
  }
  ~TemporaryFile() {
    if (fd_ >= 0) close(fd_);
    if (created_ && !renamed_) unlink(name_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool Opened() const { return fd_ >= 0; }

  bool Write(std::string_view content) {
    bool fail = write_failure_after != kNoFailure && content.size() >= write_failure_after;
    if (fail) content = content.substr(0, write_failure_after);
    while (!content.empty()) {
      ssize_t n = ::write(fd_, content.data(), content.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      content.remove_prefix(static_cast<size_t>(n));
    }
    return !fail;
  }

  bool Finish(const std::string& target, mode_t mode) {
    if (fchmod(fd_, mode) != 0 || fsync(fd_) != 0) return false;
    int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) return false;
    if (rename(name_.c_str(), target.c_str()) != 0) return false;
    renamed_ = true;
    return true;
  }

 private:
  std::string name_;
  int fd_ = -1;
  bool created_ = false;
  bool renamed_ = false;
};

mode_t NewFileMode(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

void SyncFolder(const std::string& path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

void ReplaceFileAtomically(const std::string& path, std::string_view content) {
  // Writing through a symbolic link replaces the file it points to.
  std::string target = path;
  std::error_code ec;
  if (std::filesystem::is_symlink(path, ec)) {
    auto resolved = std::filesystem::weakly_canonical(path, ec);
    if (!ec) target = resolved.string();
  }
  TemporaryFile temp(target);
  if (!temp.Opened() || !temp.Write(content) || !temp.Finish(target, NewFileMode(target))) {
    throw WriteError(path);
  }
  SyncFolder(target);
}

bool ReadWholeFile(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream whole;
  whole << in.rdbuf();
  content = std::move(whole).str();
  return !in.bad();
}

ScopedWriteFailure::ScopedWriteFailure(size_t fail_after_bytes) : previous_(write_failure_after) {
  write_failure_after = fail_after_bytes;
}

ScopedWriteFailure::~ScopedWriteFailure() {
  write_failure_after = previous_;
}

}  // namespace qp
