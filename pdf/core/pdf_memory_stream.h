#pragma once
// A window onto a memory buffer. Positions are offsets into the whole buffer.

#include <memory>
#include <string>

#include "pdf/core/pdf_stream.h"

namespace qp::pdf {

class TMemoryStream final : public TBaseStream {
 public:
  // Owns `data`; the window covers the whole buffer and grows with Write.
  explicit TMemoryStream(std::string data = {});
  // Borrows `size` bytes at `data`, which must outlive the stream and its
  // sub-windows.
  TMemoryStream(const uint8_t* data, size_t size, int64_t start = 0, uint32_t length = 0,
                bool limited = false);

  std::unique_ptr<TBaseStream> MakeSubStream(int64_t start, uint32_t length, bool limited) override;
  int64_t GetStart() const override { return start_; }
  void MoveStart(int64_t delta) override;

  // Appends to an owned buffer; a borrowed buffer is read-only (returns 0).
  size_t Write(const uint8_t* data, size_t count) override;
  using TStream::Write;
  int64_t GetSize() const override { return static_cast<int64_t>(DataSize()); }
  void Reset() override { DropBuffer(start_); }
  void SetPosition(int64_t position, TSeekOrigin origin = soBeginning) override;
  TStreamType GetType() const override { return stFile; }
  bool IsOwned() const { return owned_; }

 protected:
  bool Refill() override;

 private:
  // A window sharing `storage` (kept alive by the window) or borrowing `data`.
  TMemoryStream(std::shared_ptr<std::string> storage, const uint8_t* data, size_t size,
                int64_t start, uint32_t length, bool limited);

  const uint8_t* Data() const {
    return storage_ ? reinterpret_cast<const uint8_t*>(storage_->data()) : data_;
  }
  size_t DataSize() const { return storage_ ? storage_->size() : size_; }
  int64_t WindowEnd() const;

  std::shared_ptr<std::string> storage_;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  int64_t start_ = 0;
  uint32_t length_ = 0;
  bool limited_ = false;
  bool owned_ = false;
};

}  // namespace qp::pdf
