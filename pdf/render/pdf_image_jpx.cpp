// JPEG 2000 image data decoded with OpenJPEG from memory.

#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "pdf/render/pdf_image.h"

namespace qp::pdf {

namespace {

struct MemoryReader {
  const uint8_t* data;
  size_t size;
  size_t position;
};

OPJ_SIZE_T ReadMemory(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* reader = static_cast<MemoryReader*>(user);
  const size_t left = reader->size - reader->position;
  if (left == 0) return static_cast<OPJ_SIZE_T>(-1);
  const size_t n = std::min<size_t>(count, left);
  std::memcpy(buffer, reader->data + reader->position, n);
  reader->position += n;
  return n;
}

OPJ_OFF_T SkipMemory(OPJ_OFF_T count, void* user) {
  auto* reader = static_cast<MemoryReader*>(user);
  if (count < 0) {
    const auto back = static_cast<size_t>(-count);
    if (back > reader->position) return -1;
    reader->position -= back;
    return count;
  }
  const size_t n = std::min<size_t>(static_cast<size_t>(count), reader->size - reader->position);
  reader->position += n;
  return static_cast<OPJ_OFF_T>(n);
}

OPJ_BOOL SeekMemory(OPJ_OFF_T position, void* user) {
  auto* reader = static_cast<MemoryReader*>(user);
  if (position < 0 || static_cast<uint64_t>(position) > reader->size) return OPJ_FALSE;
  reader->position = static_cast<size_t>(position);
  return OPJ_TRUE;
}

void Quiet(const char*, void*) {}

struct CodecDeleter {
  void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamDeleter {
  void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct ImageDeleter {
  void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};

bool IsJp2File(const std::string& data) {
  static const uint8_t kSignature[] = {0, 0, 0, 12, 'j', 'P', ' ', ' '};
  return data.size() >= sizeof kSignature && std::memcmp(data.data(), kSignature, 8) == 0;
}

// A sample scaled from `precision` bits to a byte.
inline uint8_t ToByte(int32_t value, int precision, int32_t offset) {
  int64_t v = int64_t{value} + offset;
  const int64_t maxValue = (int64_t{1} << precision) - 1;
  v = std::clamp<int64_t>(v, 0, maxValue);
  if (precision == 8) return static_cast<uint8_t>(v);
  if (precision > 8) return static_cast<uint8_t>(v >> (precision - 8));
  return static_cast<uint8_t>(v * 255 / maxValue);
}

// Files that store YCbCr (sYCC) components: the first three become RGB.
void YccToRgb(uint8_t* samples, int width, int height, int comps) {
  const size_t count = static_cast<size_t>(width) * height;
  for (size_t i = 0; i < count; ++i) {
    uint8_t* p = samples + i * comps;
    const double y = p[0];
    const double cb = p[1] - 128.0;
    const double cr = p[2] - 128.0;
    const auto clamp = [](double v) {
      return static_cast<uint8_t>(std::clamp(v + 0.5, 0.0, 255.0));
    };
    p[0] = clamp(y + 1.402 * cr);
    p[1] = clamp(y - 0.344136 * cb - 0.714136 * cr);
    p[2] = clamp(y + 1.772 * cb);
  }
}

}  // namespace

bool DecodeJpx(const std::string& data, int64_t maxPixels, TJpxPixels& out) {
  if (data.size() < 12) return false;
  std::unique_ptr<opj_codec_t, CodecDeleter> codec(
      opj_create_decompress(IsJp2File(data) ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
  if (!codec) return false;
  opj_set_error_handler(codec.get(), Quiet, nullptr);
  opj_set_warning_handler(codec.get(), Quiet, nullptr);
  opj_set_info_handler(codec.get(), Quiet, nullptr);
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  if (!opj_setup_decoder(codec.get(), &parameters)) return false;

  MemoryReader reader{reinterpret_cast<const uint8_t*>(data.data()), data.size(), 0};
  std::unique_ptr<opj_stream_t, StreamDeleter> stream(opj_stream_create(65536, OPJ_TRUE));
  if (!stream) return false;
  opj_stream_set_user_data(stream.get(), &reader, nullptr);
  opj_stream_set_user_data_length(stream.get(), data.size());
  opj_stream_set_read_function(stream.get(), ReadMemory);
  opj_stream_set_skip_function(stream.get(), SkipMemory);
  opj_stream_set_seek_function(stream.get(), SeekMemory);

  opj_image_t* header = nullptr;
  if (!opj_read_header(stream.get(), codec.get(), &header)) {
    if (header != nullptr) opj_image_destroy(header);
    return false;
  }
  std::unique_ptr<opj_image_t, ImageDeleter> image(header);
  // Refuse before decoding what would not fit the bounds: the decoder
  // holds every sample of every component.
  const int64_t declared = int64_t{image->x1 - image->x0} * (image->y1 - image->y0);
  if (image->numcomps == 0 || image->numcomps > 32 || image->x1 <= image->x0 ||
      image->y1 <= image->y0 || declared * image->numcomps > maxPixels) {
    return false;
  }
  if (!opj_decode(codec.get(), stream.get(), image.get())) return false;
  opj_end_decompress(codec.get(), stream.get());

  const opj_image_comp_t& first = image->comps[0];
  const int width = static_cast<int>(first.w);
  const int height = static_cast<int>(first.h);
  if (width <= 0 || height <= 0 || int64_t{width} * height > maxPixels) return false;
  const int comps = static_cast<int>(image->numcomps);
  for (int c = 0; c < comps; ++c) {
    const opj_image_comp_t& comp = image->comps[c];
    if (comp.data == nullptr || comp.w == 0 || comp.h == 0 || comp.prec == 0 || comp.prec > 31) {
      return false;
    }
  }

  out.Width = width;
  out.Height = height;
  out.Comps = comps;
  out.Samples.assign(static_cast<size_t>(width) * height * comps, '\0');
  auto* samples = reinterpret_cast<uint8_t*>(out.Samples.data());
  for (int c = 0; c < comps; ++c) {
    const opj_image_comp_t& comp = image->comps[c];
    const int precision = static_cast<int>(comp.prec);
    const int32_t offset = comp.sgnd ? (int32_t{1} << (precision - 1)) : 0;
    // Subsampled components are spread over the full grid.
    for (int y = 0; y < height; ++y) {
      const size_t sy = static_cast<size_t>(int64_t{y} * comp.h / height);
      const OPJ_INT32* in = comp.data + sy * comp.w;
      uint8_t* dst = samples + static_cast<size_t>(y) * width * comps + c;
      if (comp.w == static_cast<OPJ_UINT32>(width)) {
        for (int x = 0; x < width; ++x)
          dst[static_cast<size_t>(x) * comps] = ToByte(in[x], precision, offset);
      } else {
        for (int x = 0; x < width; ++x) {
          const size_t sx = static_cast<size_t>(int64_t{x} * comp.w / width);
          dst[static_cast<size_t>(x) * comps] = ToByte(in[sx], precision, offset);
        }
      }
    }
  }
  if (image->color_space == OPJ_CLRSPC_SYCC && comps >= 3) YccToRgb(samples, width, height, comps);
  return true;
}

}  // namespace qp::pdf
