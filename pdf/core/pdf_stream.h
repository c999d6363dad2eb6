#pragma once
// Byte streams of the PDF engine. Every stream reads through an inline buffer:
// GetChar and LookChar cost one pointer compare and one load while the buffer
// holds bytes, and only a refill goes through a virtual call. Every stream is
// also a ByteSource, so decoders can sit on top of it and under a
// TFilterStream.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/core/byte_source.h"

namespace qp::pdf {

enum TStreamType {
  stFile,
  stASCIIHex,
  stASCII85,
  stLZW,
  stRunLength,
  stCCITTFax,
  stDCT,
  stFlate,
  stJBIG2,
  stJPX,
  stCrypt,
  stWeird,
};

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public ByteSource {
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Next byte (0..255) without consuming it, or -1 at the end.
  int LookChar() { return rp_ != wp_ ? *rp_ : LookCharSlow(); }
  // Next byte, consumed, or -1 at the end.
  int GetChar() { return rp_ != wp_ ? *rp_++ : GetCharSlow(); }
  // Consumes one byte that LookChar has just reported.
  void SkipLooked() {
    if (rp_ != wp_) {
      ++rp_;
    } else {
      GetCharSlow();
    }
  }

  // The bytes that the buffer holds from the read position on, for readers
  // that scan them in place; SkipTo(p), p within them, consumes up to p.
  const uint8_t* BufferedBegin() const { return rp_; }
  const uint8_t* BufferedEnd() const { return wp_; }
  void SkipTo(const uint8_t* p) { rp_ = p; }

  // Bulk read: `size` bytes, fewer only at the end of the data; returns the
  // count.
  size_t Read(uint8_t* out, size_t size) override;
  void Rewind() override { Reset(); }

  // Replaces `buffer` with up to `count` bytes; returns the count read.
  size_t Read(std::string& buffer, size_t count);
  // Copies up to `count` bytes into `out`; returns the count copied.
  size_t Read(TStream& out, size_t count);
  // Reads one line of at most `count` bytes into `buffer`, without its end of
  // line (LF, CR or CR LF, which is consumed). Returns false at the end.
  bool ReadLine(std::string& buffer, size_t count);
  // Reads `source` to its end and appends its bytes here; `count` only sizes
  // the first block.
  void CopyFrom(TStream& source, size_t count);

  size_t Write(std::string_view bytes);
  size_t Write(uint8_t byte) { return Write(&byte, 1); }
  // Copies up to `count` bytes of this stream into `out`.
  size_t Write(TStream& out, size_t count) { return Read(out, count); }

  virtual size_t Write(const uint8_t* data, size_t count);
  virtual int64_t GetPosition() const { return buf_pos_ + (rp_ - buf_begin_); }
  // The stream at the bottom of a chain of filters (a file or memory window).
  virtual TStream* GetBaseStream() { return this; }
  // The stream directly below this one.
  virtual TStream* GetUndecodedStream() { return this; }
  virtual int64_t GetSize() const { return 0; }
  virtual void Reset() = 0;
  virtual void SetPosition(int64_t position, TSeekOrigin origin = soBeginning);
  virtual void Close() {}
  virtual int ReadRawChar() { return -1; }
  virtual TStreamType GetType() const = 0;

 protected:
  // Makes [begin, end) the inline buffer; `position` is the stream position of
  // `begin`.
  void SetBuffer(const uint8_t* begin, const uint8_t* end, int64_t position) {
    buf_begin_ = rp_ = begin;
    wp_ = end;
    buf_pos_ = position;
  }
  // Empties the buffer so that the next read refills at `position`.
  void DropBuffer(int64_t position) { SetBuffer(nullptr, nullptr, position); }

  // Refills the buffer after its last byte was consumed; returns false (and
  // leaves it empty) at the end of the data.
  virtual bool Refill() = 0;
  virtual int LookCharSlow() { return Refill() ? *rp_ : -1; }
  virtual int GetCharSlow() { return Refill() ? *rp_++ : -1; }
  // The part of a bulk read that the buffer cannot serve.
  virtual size_t ReadUnbuffered(uint8_t* out, size_t size);

  const uint8_t* rp_ = nullptr;
  const uint8_t* wp_ = nullptr;
  const uint8_t* buf_begin_ = nullptr;
  int64_t buf_pos_ = 0;
};

// A window onto stored bytes (a file or a memory buffer).
class TBaseStream : public TStream {
 public:
  // A new window onto the same bytes, from the absolute position `start`,
  // `length` bytes long when `limited`, else to the end of the data.
  virtual std::unique_ptr<TBaseStream> MakeSubStream(int64_t start, uint32_t length,
                                                     bool limited) = 0;
  virtual int64_t GetStart() const = 0;
  virtual void MoveStart(int64_t delta) = 0;
};

}  // namespace qp::pdf
