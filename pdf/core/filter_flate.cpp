// Flate: the zlib header is checked here, then the raw DEFLATE data is
// inflated by zlib. The Adler-32 trailer is never checked, and any error ends
// the data after the bytes produced before it.

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "pdf/core/filter_decoder.h"
#include "pdf/core/filters.h"

namespace qp::pdf {
namespace {

class FlateDecoder final : public Decoder {
 public:
  FlateDecoder(std::unique_ptr<ByteSource> input, const DecodeLimits& limits)
      : Decoder(limits), input_(std::move(input), 65536) {
    std::memset(&zs_, 0, sizeof zs_);
  }
  ~FlateDecoder() override {
    if (zs_open_) inflateEnd(&zs_);
  }
  FlateDecoder(const FlateDecoder&) = delete;
  FlateDecoder& operator=(const FlateDecoder&) = delete;

 protected:
  size_t Produce(uint8_t* out, size_t size) override;
  void Restart() override;

 private:
  bool Start();
  bool Inflate();

  InputReader input_;
  z_stream zs_;
  bool zs_open_ = false;
  bool started_ = false;
  bool ended_ = false;
  std::vector<uint8_t> buffer_ = std::vector<uint8_t>(65536);
  size_t pos_ = 0;
  size_t end_ = 0;
};

// Accepts deflate with any window size, checksum valid, no preset dictionary.
bool HeaderIsValid(int cmf, int flg) {
  return (cmf & 0x0F) == 8 && ((cmf << 8) | flg) % 31 == 0 && (flg & 0x20) == 0;
}

bool FlateDecoder::Start() {
  started_ = true;
  int cmf = input_.Get();
  int flg = input_.Get();
  if (cmf < 0 || flg < 0 || !HeaderIsValid(cmf, flg)) return false;
  if (!zs_open_) {
    if (inflateInit2(&zs_, -15) != Z_OK) return false;
    zs_open_ = true;
  } else if (inflateReset(&zs_) != Z_OK) {
    return false;
  }
  return true;
}

// zlib's output before an error depends on where its output buffer ends, so
// it always inflates into the same fixed-size buffer: the decoded data is then
// the same whatever sizes the caller reads in.
size_t FlateDecoder::Produce(uint8_t* out, size_t size) {
  if (pos_ == end_ && !Inflate()) return 0;
  size_t n = std::min(size, end_ - pos_);
  std::memcpy(out, buffer_.data() + pos_, n);
  pos_ += n;
  return n;
}

bool FlateDecoder::Inflate() {
  if (!started_ && !Start()) ended_ = true;
  if (ended_) return false;
  zs_.next_out = buffer_.data();
  zs_.avail_out = static_cast<uInt>(buffer_.size());
  while (zs_.avail_out > 0) {
    const uint8_t* data;
    size_t avail = input_.Peek(&data);
    if (avail == 0) {
      ended_ = true;  // input cut short: deliver what we have
      break;
    }
    zs_.next_in = const_cast<Bytef*>(data);
    zs_.avail_in = static_cast<uInt>(avail);
    int rc = inflate(&zs_, Z_NO_FLUSH);
    input_.Consume(avail - zs_.avail_in);
    if (rc == Z_STREAM_END || (rc != Z_OK && rc != Z_BUF_ERROR)) {
      ended_ = true;
      break;
    }
    if (rc == Z_BUF_ERROR && zs_.avail_in > 0) {
      ended_ = true;  // no progress despite input and room: give up
      break;
    }
  }
  zs_.avail_in = 0;
  zs_.next_in = nullptr;
  pos_ = 0;
  end_ = buffer_.size() - zs_.avail_out;
  return end_ > 0;
}

void FlateDecoder::Restart() {
  input_.Rewind();
  started_ = false;
  ended_ = false;
  pos_ = end_ = 0;
}

}  // namespace

std::unique_ptr<ByteSource> MakeFlateDecoder(std::unique_ptr<ByteSource> input,
                                             const PredictorParams& params,
                                             const DecodeLimits& limits) {
  auto flate = std::make_unique<FlateDecoder>(std::move(input), limits);
  return MakePredictorDecoder(std::move(flate), params, limits);
}

}  // namespace qp::pdf
