#pragma once
// Streams that sit on top of another stream: TFilterStream (a decoder or a
// decryptor over the stream below), TEOFStream (the stand-in for a filter the
// engine does not decode) and TEmbededStream (a counted run of bytes inside a
// stream that goes on being read afterwards, such as inline image data).

#include <array>
#include <functional>
#include <memory>

#include "pdf/core/pdf_stream.h"

namespace qp::pdf {

class TFilterStream : public TStream {
 public:
  // Builds the decoder over its input.
  using DecoderFactory =
      std::function<std::unique_ptr<ByteSource>(std::unique_ptr<ByteSource> input)>;

  // Owns `below` (through the decoder, which reads it).
  TFilterStream(TStreamType type, std::unique_ptr<TStream> below, const DecoderFactory& make);
  // Borrows `below`, which must outlive this stream.
  TFilterStream(TStreamType type, TStream& below, const DecoderFactory& make);
  ~TFilterStream() override;

  // A position in the raw data below.
  int64_t GetPosition() const override { return below_->GetPosition(); }
  TStream* GetBaseStream() override { return below_->GetBaseStream(); }
  TStream* GetUndecodedStream() override { return below_; }
  // Unknown before decoding.
  int64_t GetSize() const override { return 0; }
  void Reset() override;
  void SetPosition(int64_t, TSeekOrigin = soBeginning) override {}
  void Close() override { below_->Close(); }
  TStreamType GetType() const override { return type_; }
  bool IsStreamOwned() const { return stream_owned_; }

 protected:
  bool Refill() override;
  size_t ReadUnbuffered(uint8_t* out, size_t size) override;

 private:
  static constexpr size_t kBufferSize = 4096;
  TStreamType type_;
  TStream* below_;
  bool stream_owned_;
  std::unique_ptr<ByteSource> decoder_;
  std::array<uint8_t, kBufferSize> buffer_{};
  int64_t decoded_ = 0;
};

// Passes the bytes below through by GetChar and Read while LookChar always
// reports the end.
class TEOFStream final : public TStream {
 public:
  explicit TEOFStream(std::unique_ptr<TStream> below);
  explicit TEOFStream(TStream& below);

  int64_t GetPosition() const override { return below_->GetPosition(); }
  TStream* GetBaseStream() override { return below_->GetBaseStream(); }
  TStream* GetUndecodedStream() override { return below_; }
  int64_t GetSize() const override { return 0; }
  void Reset() override { below_->Reset(); }
  TStreamType GetType() const override { return stWeird; }

 protected:
  bool Refill() override { return false; }
  int LookCharSlow() override { return -1; }
  int GetCharSlow() override { return below_->GetChar(); }
  size_t ReadUnbuffered(uint8_t* out, size_t size) override { return below_->Read(out, size); }

 private:
  std::unique_ptr<TStream> owned_;
  TStream* below_;
};

// Reads `length` bytes out of `source` and counts them down; a limited one
// ends when the count reaches 0, an unlimited one reads on. It takes bytes
// from `source` only as they are consumed here, so `source` stands exactly
// after them.
class TEmbededStream final : public TBaseStream {
 public:
  TEmbededStream(TStream& source, uint32_t length, bool limited);

  std::unique_ptr<TBaseStream> MakeSubStream(int64_t, uint32_t, bool) override { return nullptr; }
  int64_t GetStart() const override { return 0; }
  void MoveStart(int64_t) override {}
  int64_t GetPosition() const override { return source_.GetPosition(); }
  int64_t GetSize() const override { return length_; }
  void Reset() override {}
  TStreamType GetType() const override { return stWeird; }
  uint32_t Remaining() const { return remaining_; }

 protected:
  bool Refill() override;
  size_t ReadUnbuffered(uint8_t* out, size_t size) override;

 private:
  TStream& source_;
  uint32_t length_;
  uint32_t remaining_;
  bool limited_;
  uint8_t byte_ = 0;
};

}  // namespace qp::pdf
