#include "pdf/core/pdf_filter_stream.h"

#include <algorithm>

#include "pdf/core/pdf_errors.h"

namespace qp::pdf {

namespace {

// Lets a decoder read a stream that it must not free.
class BorrowedSource final : public ByteSource {
 public:
  explicit BorrowedSource(ByteSource& source) : source_(source) {}
  size_t Read(uint8_t* out, size_t size) override { return source_.Read(out, size); }
  void Rewind() override { source_.Rewind(); }

 private:
  ByteSource& source_;
};

}  // namespace

TFilterStream::TFilterStream(TStreamType type, std::unique_ptr<TStream> below,
                             const DecoderFactory& make)
    : type_(type), below_(below.get()), stream_owned_(true) {
  if (below_ == nullptr) throw ExInvalidStream();
  decoder_ = make(std::move(below));
  if (!decoder_) throw ExInvalidStream();
}

TFilterStream::TFilterStream(TStreamType type, TStream& below, const DecoderFactory& make)
    : type_(type), below_(&below), stream_owned_(false) {
  decoder_ = make(std::make_unique<BorrowedSource>(below));
  if (!decoder_) throw ExInvalidStream();
}

TFilterStream::~TFilterStream() = default;

void TFilterStream::Reset() {
  decoder_->Rewind();
  decoded_ = 0;
  DropBuffer(0);
}

bool TFilterStream::Refill() {
  decoded_ += wp_ - buf_begin_;
  const size_t got = decoder_->Read(buffer_.data(), buffer_.size());
  if (got == 0) {
    DropBuffer(decoded_);
    return false;
  }
  SetBuffer(buffer_.data(), buffer_.data() + got, decoded_);
  return true;
}

size_t TFilterStream::ReadUnbuffered(uint8_t* out, size_t size) {
  // The buffer is empty here: large reads go to the decoder directly.
  if (size < kBufferSize) return TStream::ReadUnbuffered(out, size);
  decoded_ += wp_ - buf_begin_;
  size_t done = 0;
  while (done < size) {
    const size_t got = decoder_->Read(out + done, size - done);
    if (got == 0) break;
    done += got;
  }
  decoded_ += static_cast<int64_t>(done);
  DropBuffer(decoded_);
  return done;
}

TEOFStream::TEOFStream(std::unique_ptr<TStream> below)
    : owned_(std::move(below)), below_(owned_.get()) {
  if (below_ == nullptr) throw ExInvalidStream();
}

TEOFStream::TEOFStream(TStream& below) : below_(&below) {}

TEmbededStream::TEmbededStream(TStream& source, uint32_t length, bool limited)
    : source_(source), length_(length), remaining_(length), limited_(limited) {}

bool TEmbededStream::Refill() {
  // One byte at a time, so the source is never read ahead.
  if (limited_ && remaining_ == 0) return false;
  const int c = source_.GetChar();
  if (c < 0) {
    DropBuffer(0);
    return false;
  }
  if (remaining_ > 0) --remaining_;
  byte_ = static_cast<uint8_t>(c);
  SetBuffer(&byte_, &byte_ + 1, 0);
  return true;
}

size_t TEmbededStream::ReadUnbuffered(uint8_t* out, size_t size) {
  if (limited_) size = std::min<size_t>(size, remaining_);
  const size_t got = source_.Read(out, size);
  remaining_ -= static_cast<uint32_t>(std::min<size_t>(got, remaining_));
  return got;
}

}  // namespace qp::pdf
