#pragma once
// A window onto an open file. Positions are absolute file offsets; all windows
// on one file share the open file, which they read with positioned reads, so
// windows never disturb each other.

#include <array>
#include <memory>
#include <string>

#include "pdf/core/pdf_stream.h"

namespace qp::pdf {

// An open file, read-only. The document's reader owns it; windows borrow it.
class TPlatformFile {
 public:
  // Nothing when the file cannot be opened.
  static std::unique_ptr<TPlatformFile> Open(const std::string& path);
  ~TPlatformFile();
  TPlatformFile(const TPlatformFile&) = delete;
  TPlatformFile& operator=(const TPlatformFile&) = delete;

  int64_t Size() const { return size_; }
  // Reads up to `size` bytes at `position`; returns the count, 0 at the end or
  // on a read error.
  size_t ReadAt(int64_t position, uint8_t* out, size_t size) const;

 private:
  TPlatformFile(int fd, int64_t size) : fd_(fd), size_(size) {}
  int fd_;
  int64_t size_;
};

class TFileStream final : public TBaseStream {
 public:
  TFileStream(const TPlatformFile& file, int64_t start, uint32_t length, bool limited);

  std::unique_ptr<TBaseStream> MakeSubStream(int64_t start, uint32_t length, bool limited) override;
  int64_t GetStart() const override { return start_; }
  void MoveStart(int64_t delta) override;

  // The size of the whole file, not of the window.
  int64_t GetSize() const override { return file_.Size(); }
  void Reset() override { DropBuffer(start_); }
  void SetPosition(int64_t position, TSeekOrigin origin = soBeginning) override;
  TStreamType GetType() const override { return stFile; }
  const TPlatformFile& GetFile() const { return file_; }

 protected:
  bool Refill() override;
  size_t ReadUnbuffered(uint8_t* out, size_t size) override;

 private:
  int64_t WindowEnd() const;

  static constexpr size_t kBufferSize = 4096;
  const TPlatformFile& file_;
  int64_t start_;
  uint32_t length_;
  bool limited_;
  std::array<uint8_t, kBufferSize> buffer_{};
};

}  // namespace qp::pdf
