#include "compiler/binary_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <utility>

#include "compiler/plate_error.h"

namespace qp {

namespace {

std::string Reason(int error) {
  return error ? std::strerror(error) : "unknown error";
}

}  // namespace

OutputFile::OutputFile(const std::filesystem::path& path, bool keepContent) : path_(path) {
  if (keepContent) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) Fail("create");
    file_ = fdopen(fd, "wb");
    if (!file_) {
      int error = errno;
      close(fd);
      errno = error;
    }
  } else {
    file_ = std::fopen(path.c_str(), "wb");
  }
  if (!file_) Fail("create");
  std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
}

OutputFile::~OutputFile() {
  if (file_) std::fclose(file_);
}

void OutputFile::Fail(const char* action) {
  int error = errno;
  throw PlateError(std::string("Unable to ") + action + " " + path_.string() + ": " +
                   Reason(error));
}

void OutputFile::Write(const void* data, size_t size) {
  errno = 0;
  if (size && std::fwrite(data, 1, size, file_) != size) Fail("write to");
}

void OutputFile::WriteU16(uint16_t v) {
  uint8_t b[2];
  PutU16(b, v);
  Write(b, 2);
}

void OutputFile::WriteU32(uint32_t v) {
  uint8_t b[4];
  PutU32(b, v);
  Write(b, 4);
}

void OutputFile::Seek(uint64_t offset) {
  errno = 0;
  if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) Fail("seek in");
}

uint64_t OutputFile::Tell() {
  errno = 0;
  off_t pos = ftello(file_);
  if (pos < 0) Fail("seek in");
  return static_cast<uint64_t>(pos);
}

void OutputFile::Truncate(uint64_t size) {
  errno = 0;
  if (std::fflush(file_) != 0) Fail("write to");
  if (ftruncate(fileno(file_), static_cast<off_t>(size)) != 0) Fail("truncate");
  Seek(size);
}

void OutputFile::Close() {
  if (!file_) return;
  std::FILE* f = file_;
  file_ = nullptr;
  errno = 0;
  bool failed = std::ferror(f) != 0;
  failed |= std::fclose(f) != 0;
  if (failed) Fail("write to");
}

void OutputFile::Sync() {
  errno = 0;
  if (std::fflush(file_) != 0 || fsync(fileno(file_)) != 0) Fail("write to");
}

namespace {

constexpr std::string_view kReplacementSuffix = ".partial";

// ".NAME.PID-N.partial" beside the destination: hidden, unique within the
// process, and recognisable as a leftover.
std::filesystem::path ReplacementName(const std::filesystem::path& destination) {
  static std::atomic<unsigned> counter{0};
  const std::string name = "." + destination.filename().string() + "." + std::to_string(getpid()) +
                           "-" + std::to_string(++counter) + std::string(kReplacementSuffix);
  return destination.parent_path() / name;
}

}  // namespace

ReplacementFile::ReplacementFile(const std::filesystem::path& destination)
    : destination_(destination), file_(ReplacementName(destination)) {}

ReplacementFile::ReplacementFile(ReplacementFile&& other) noexcept
    : destination_(std::move(other.destination_)),
      file_(std::move(other.file_)),
      pending_(std::exchange(other.pending_, false)) {}

ReplacementFile::~ReplacementFile() {
  if (!pending_) return;
  const std::filesystem::path temporary = file_.Path();
  try {
    file_.Close();
  } catch (const PlateError&) {
    // The file is removed below either way.
  }
  std::error_code ignored;
  std::filesystem::remove(temporary, ignored);
}

void ReplacementFile::Commit() {
  if (!pending_) return;
  file_.Sync();
  file_.Close();
  std::error_code ec;
  std::filesystem::rename(file_.Path(), destination_, ec);
  if (ec) {
    throw PlateError("Unable to replace " + destination_.string() + ": " + ec.message());
  }
  pending_ = false;
}

bool IsLeftoverReplacementName(const std::string& file_name) {
  return file_name.size() > kReplacementSuffix.size() + 1 && file_name.front() == '.' &&
         file_name.ends_with(kReplacementSuffix);
}

std::string ReadWholeFile(const std::filesystem::path& path, uint64_t maxSize) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    int error = errno;
    throw PlateError("Unable to open " + path.string() + ": " + Reason(error));
  }
  std::string data;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    if (data.size() + n > maxSize) {
      std::fclose(f);
      throw PlateError("Unable to read " + path.string() + ": file is too large");
    }
    data.append(buffer, n);
  }
  int error = std::ferror(f) ? errno : 0;
  std::fclose(f);
  if (error) throw PlateError("Unable to read " + path.string() + ": " + Reason(error));
  return data;
}

}  // namespace qp
