// JPEG through libjpeg: libjpeg decodes the raw components (no colour
// conversion of its own); the colour transform is decided here and YCbCr and
// YCCK are converted in 16.16 fixed point. Only 8-bit, Huffman-coded,
// sequential or progressive frames are decoded; others yield no data.

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "pdf/core/filter_decoder.h"
#include "pdf/core/filters.h"

namespace qp::pdf {
namespace {

constexpr size_t kInputBlock = 16384;
const JOCTET kFakeEoi[2] = {0xFF, JPEG_EOI};

struct ErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
  bool data_damaged;
};

void OnError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::longjmp(err->jump, 1);
}

// Warnings are silent; those that mean the data is cut short or out of step
// end the image after the rows decoded so far.
void OnMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  int code = err->pub.msg_code;
  if (code == JWRN_JPEG_EOF || code == JWRN_MUST_RESYNC || code == JWRN_HIT_MARKER)
    err->data_damaged = true;
}

struct SourceManager {
  jpeg_source_mgr pub;
  InputReader* input;
  JOCTET buffer[kInputBlock];
};

void InitSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
  size_t n = src->input->ReadBulk(src->buffer, kInputBlock);
  if (n == 0) {
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->pub.next_input_byte = kFakeEoi;
    src->pub.bytes_in_buffer = 2;
    return TRUE;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = n;
  return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
  while (count > 0) {
    if (src->pub.bytes_in_buffer == 0) FillInput(cinfo);
    size_t n = std::min(static_cast<size_t>(count), src->pub.bytes_in_buffer);
    src->pub.next_input_byte += n;
    src->pub.bytes_in_buffer -= n;
    count -= static_cast<long>(n);
  }
}

void TermSource(j_decompress_ptr) {}

uint8_t Clip(int v) {
  return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

class DctDecoder final : public Decoder {
 public:
  DctDecoder(std::unique_ptr<ByteSource> input, const DctParams& params, const DecodeLimits& limits)
      : Decoder(limits), input_(std::move(input)), params_(params), max_(limits.max_output) {
    std::memset(&cinfo_, 0, sizeof cinfo_);
    std::memset(&err_, 0, sizeof err_);
    src_ = std::make_unique<SourceManager>();
  }
  ~DctDecoder() override { Close(); }
  DctDecoder(const DctDecoder&) = delete;
  DctDecoder& operator=(const DctDecoder&) = delete;

 protected:
  size_t Produce(uint8_t* out, size_t size) override;
  void Restart() override {
    Close();
    input_.Rewind();
    started_ = false;
    ended_ = false;
  }

 private:
  bool Open();
  bool ReadRow();
  void Close() {
    if (open_) jpeg_destroy_decompress(&cinfo_);
    open_ = false;
  }
  int DecideTransform() const;
  void ConvertRow();

  InputReader input_;
  DctParams params_;
  uint64_t max_;
  jpeg_decompress_struct cinfo_;
  ErrorManager err_;
  std::unique_ptr<SourceManager> src_;
  bool open_ = false;
  bool started_ = false;
  bool ended_ = false;
  int transform_ = 0;
  std::vector<uint8_t> row_;
  size_t out_pos_ = 0;
};

int DctDecoder::DecideTransform() const {
  int transform = params_.color_transform;
  if (cinfo_.saw_Adobe_marker) transform = cinfo_.Adobe_transform;
  if (transform == -1) {
    transform = 0;
    if (cinfo_.num_components == 3) {
      bool rgb_ids = cinfo_.comp_info[0].component_id == 'R' &&
                     cinfo_.comp_info[1].component_id == 'G' &&
                     cinfo_.comp_info[2].component_id == 'B';
      transform = (!cinfo_.saw_JFIF_marker && rgb_ids) ? 0 : 1;
    }
  }
  return transform;
}

// Everything libjpeg may abandon through longjmp happens in this function and
// in ReadRow, whose locals need no destruction.
bool DctDecoder::Open() {
  started_ = true;
  cinfo_.err = jpeg_std_error(&err_.pub);
  err_.pub.error_exit = OnError;
  err_.pub.emit_message = OnMessage;
  err_.data_damaged = false;
  if (setjmp(err_.jump)) {
    Close();
    return false;
  }
  jpeg_create_decompress(&cinfo_);
  open_ = true;
  src_->pub.init_source = InitSource;
  src_->pub.fill_input_buffer = FillInput;
  src_->pub.skip_input_data = SkipInput;
  src_->pub.resync_to_restart = jpeg_resync_to_restart;
  src_->pub.term_source = TermSource;
  src_->pub.bytes_in_buffer = 0;
  src_->pub.next_input_byte = nullptr;
  src_->input = &input_;
  cinfo_.src = &src_->pub;
  // Multi-scan images keep every coefficient; without a backing store libjpeg
  // fails cleanly when they would need more than this.
  cinfo_.mem->max_memory_to_use = static_cast<long>(std::min<uint64_t>(max_, LONG_MAX / 2));
  if (jpeg_read_header(&cinfo_, TRUE) != JPEG_HEADER_OK) return Close(), false;
  if (cinfo_.data_precision != 8 || cinfo_.arith_code || cinfo_.num_components < 1 ||
      cinfo_.num_components > 4)
    return Close(), false;
  // The whole frame may be held (progressive, multi-scan): bound it.
  uint64_t samples = uint64_t{cinfo_.image_width} * cinfo_.image_height *
                     static_cast<uint64_t>(cinfo_.num_components);
  if (samples == 0 || samples > max_) return Close(), false;
  transform_ = DecideTransform();
  cinfo_.jpeg_color_space = JCS_UNKNOWN;
  cinfo_.out_color_space = JCS_UNKNOWN;
  cinfo_.dct_method = JDCT_ISLOW;
  cinfo_.do_fancy_upsampling = TRUE;
  jpeg_start_decompress(&cinfo_);
  if (err_.data_damaged) return Close(), false;
  row_.assign(
      static_cast<size_t>(cinfo_.output_width) * static_cast<size_t>(cinfo_.output_components), 0);
  out_pos_ = row_.size();
  return true;
}

bool DctDecoder::ReadRow() {
  if (cinfo_.output_scanline >= cinfo_.output_height || err_.data_damaged) return false;
  if (setjmp(err_.jump)) return false;
  JSAMPROW rows[1] = {row_.data()};
  if (jpeg_read_scanlines(&cinfo_, rows, 1) != 1) return false;
  if (err_.data_damaged) return false;
  ConvertRow();
  out_pos_ = 0;
  return true;
}

void DctDecoder::ConvertRow() {
  const int comps = cinfo_.output_components;
  if (transform_ == 0 || comps < 3) return;
  uint8_t* p = row_.data();
  const size_t width = cinfo_.output_width;
  for (size_t x = 0; x < width; ++x, p += comps) {
    int y = p[0], cb = p[1] - 128, cr = p[2] - 128;
    int r = y + ((91881 * cr + 0x8000) >> 16);
    int g = y - ((46802 * cr + 22553 * cb + 0x7FFF) >> 16);
    int b = y + ((116130 * cb + 0x8000) >> 16);
    if (comps == 4) {
      p[0] = static_cast<uint8_t>(255 - Clip(r));
      p[1] = static_cast<uint8_t>(255 - Clip(g));
      p[2] = static_cast<uint8_t>(255 - Clip(b));
    } else {
      p[0] = Clip(r);
      p[1] = Clip(g);
      p[2] = Clip(b);
    }
  }
}

size_t DctDecoder::Produce(uint8_t* out, size_t size) {
  if (!started_ && !Open()) ended_ = true;
  size_t total = 0;
  while (total < size && !ended_) {
    if (out_pos_ == row_.size()) {
      if (!ReadRow()) {
        ended_ = true;
        Close();
        break;
      }
    }
    size_t n = std::min(size - total, row_.size() - out_pos_);
    std::memcpy(out + total, row_.data() + out_pos_, n);
    out_pos_ += n;
    total += n;
  }
  return total;
}

}  // namespace

std::unique_ptr<ByteSource> MakeDctDecoder(std::unique_ptr<ByteSource> input,
                                           const DctParams& params, const DecodeLimits& limits) {
  return std::make_unique<DctDecoder>(std::move(input), params, limits);
}

}  // namespace qp::pdf
