#include "pdf/core/pdf_file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace qp::pdf {

std::unique_ptr<TPlatformFile> TPlatformFile::Open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<TPlatformFile>(new TPlatformFile(fd, info.st_size));
}

TPlatformFile::~TPlatformFile() {
  ::close(fd_);
}

size_t TPlatformFile::ReadAt(int64_t position, uint8_t* out, size_t size) const {
  size_t done = 0;
  while (done < size) {
    const ssize_t got = ::pread(fd_, out + done, size - done, position + done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  return done;
}

TFileStream::TFileStream(const TPlatformFile& file, int64_t start, uint32_t length, bool limited)
    : file_(file), start_(std::max<int64_t>(start, 0)), length_(length), limited_(limited) {
  DropBuffer(start_);
}

std::unique_ptr<TBaseStream> TFileStream::MakeSubStream(int64_t start, uint32_t length,
                                                        bool limited) {
  return std::make_unique<TFileStream>(file_, start, length, limited);
}

void TFileStream::MoveStart(int64_t delta) {
  start_ = std::max<int64_t>(start_ + delta, 0);
  DropBuffer(start_);
}

int64_t TFileStream::WindowEnd() const {
  return limited_ ? std::min(file_.Size(), start_ + static_cast<int64_t>(length_)) : file_.Size();
}

bool TFileStream::Refill() {
  const int64_t position = GetPosition();
  const int64_t end = WindowEnd();
  size_t got = 0;
  if (position >= 0 && position < end) {
    const auto want = static_cast<size_t>(std::min<int64_t>(kBufferSize, end - position));
    got = file_.ReadAt(position, buffer_.data(), want);
  }
  if (got == 0) {
    DropBuffer(position);
    return false;
  }
  SetBuffer(buffer_.data(), buffer_.data() + got, position);
  return true;
}

size_t TFileStream::ReadUnbuffered(uint8_t* out, size_t size) {
  // Large reads go straight to the file instead of through the buffer.
  if (size < kBufferSize) return TStream::ReadUnbuffered(out, size);
  const int64_t position = GetPosition();
  const int64_t end = WindowEnd();
  if (position < 0 || position >= end) return 0;
  const auto want =
      static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(size), end - position));
  const size_t got = file_.ReadAt(position, out, want);
  DropBuffer(position + static_cast<int64_t>(got));
  return got;
}

void TFileStream::SetPosition(int64_t position, TSeekOrigin origin) {
  if (origin == soCurrent) position += GetPosition();
  if (origin == soEnd) position += file_.Size();
  DropBuffer(std::clamp<int64_t>(position, 0, file_.Size()));
}

}  // namespace qp::pdf
