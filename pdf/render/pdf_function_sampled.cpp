// Sampled functions (type 0): a table of samples over a grid of inputs,
// evaluated by multilinear interpolation between the neighbouring samples.

#include <cmath>

#include "pdf/core/pdf_errors.h"
#include "pdf/render/pdf_function.h"
#include "pdf/render/pdf_function_build.h"

namespace qp::pdf {
namespace {

bool IsSupportedBitsPerSample(int bits) {
  switch (bits) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 12:
    case 16:
    case 24:
    case 32:
      return true;
    default:
      return false;
  }
}

}  // namespace

TPDSampledFunction::TPDSampledFunction(TPDStream& stream, BuildContext& context) {
  const TPDDictionary* dict = stream.GetDict();
  if (dict == nullptr || !ReadDomainAndRange(*dict)) return;
  if (!has_range_ || n_ == 0 || m_ > kMaxInputs) return;

  std::vector<double> values;
  if (!ReadNumbers(dict->LookUp("Size"), values, kMaxInputs) ||
      values.size() != static_cast<size_t>(m_)) {
    return;
  }
  uint64_t count = static_cast<uint64_t>(n_);
  const uint64_t budget =
      context.limits.max_samples - std::min(context.limits.max_samples, context.samples);
  for (int i = 0; i < m_; ++i) {
    if (!(values[i] >= 1) || values[i] > budget || values[i] > UINT32_MAX) return;
    size_[i] = static_cast<uint32_t>(values[i]);
    stride_[i] = count;
    count *= size_[i];  // stays below budget² < 2^64
    if (count > budget) return;
  }

  const TPDBaseObject* bits = dict->LookUp("BitsPerSample");
  if (bits == nullptr || !bits->IsNumber()) return;
  bits_ = static_cast<int>(bits->GetNumber());
  if (bits_ != bits->GetNumber() || !IsSupportedBitsPerSample(bits_)) return;

  TPDBaseObject* encode = dict->LookUp("Encode");
  if (encode != nullptr) {
    if (!ReadNumbers(encode, values, 2 * kMaxInputs) || values.size() < 2 * size_t(m_)) return;
    std::copy(values.begin(), values.begin() + 2 * m_, encode_.begin());
  } else {
    for (int i = 0; i < m_; ++i) encode_[2 * i + 1] = size_[i] - 1.0;
  }
  TPDBaseObject* decode = dict->LookUp("Decode");
  if (decode != nullptr) {
    if (!ReadNumbers(decode, values, 2 * kMaxFuncValues) || values.size() < 2 * size_t(n_)) {
      return;
    }
    std::copy(values.begin(), values.begin() + 2 * n_, decode_.begin());
  } else {
    decode_ = range_;
  }

  context.samples += count;
  ok_ = ReadSamples(stream, count, context);
}

bool TPDSampledFunction::ReadSamples(TPDStream& stream, uint64_t count, BuildContext&) {
  const uint64_t byteCount = (count * bits_ + 7) / 8;
  std::string bytes;
  try {
    stream.Reset();
    stream.Read(bytes, static_cast<size_t>(byteCount));
  } catch (const EPDFEngineError&) {
    return false;
  }

  const double scale = 1.0 / (bits_ == 32 ? 4294967295.0 : double((uint64_t{1} << bits_) - 1));
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  const uint64_t available = std::min<uint64_t>(count, bytes.size() * 8 / bits_);
  samples_.resize(static_cast<size_t>(available));
  if (bits_ % 8 == 0) {
    const int width = bits_ / 8;
    for (uint64_t i = 0; i < available; ++i) {
      uint32_t value = 0;
      for (int b = 0; b < width; ++b) value = (value << 8) | data[i * width + b];
      samples_[i] = value * scale;
    }
  } else {
    uint64_t accumulator = 0;
    int held = 0;
    size_t next = 0;
    const uint32_t mask = (uint32_t{1} << bits_) - 1;
    for (uint64_t i = 0; i < available; ++i) {
      while (held < bits_) {
        accumulator = (accumulator << 8) | data[next++];
        held += 8;
      }
      held -= bits_;
      samples_[i] = ((accumulator >> held) & mask) * scale;
    }
  }
  return true;
}

void TPDSampledFunction::Evaluate(const double* input, double* output) const {
  // Per input: the lower grid index, the offset to the upper neighbour and
  // the upper weight. A zero weight drops the upper neighbour entirely.
  uint64_t base = 0;
  uint64_t step[kMaxInputs];
  double weight[kMaxInputs];
  int activeCount = 0;
  for (int i = 0; i < m_; ++i) {
    const double domainWidth = domain_[2 * i + 1] - domain_[2 * i];
    double e = encode_[2 * i];
    if (domainWidth != 0) {
      e += (input[i] - domain_[2 * i]) * (encode_[2 * i + 1] - encode_[2 * i]) / domainWidth;
    }
    const double top = size_[i] - 1.0;
    if (!(e >= 0)) e = 0;
    if (e > top) e = top;
    const double lower = std::floor(e);
    base += static_cast<uint64_t>(lower) * stride_[i];
    const double f = e - lower;
    if (f > 0 && lower < top) {
      step[activeCount] = stride_[i];
      weight[activeCount] = f;
      ++activeCount;
    }
  }

  double sum[kMaxFuncValues] = {};
  const uint32_t corners = uint32_t{1} << activeCount;
  for (uint32_t corner = 0; corner < corners; ++corner) {
    double w = 1.0;
    uint64_t index = base;
    for (int a = 0; a < activeCount; ++a) {
      if (corner & (uint32_t{1} << a)) {
        w *= weight[a];
        index += step[a];
      } else {
        w *= 1.0 - weight[a];
      }
    }
    for (int j = 0; j < n_; ++j) sum[j] += w * Sample(index + j);
  }
  for (int j = 0; j < n_; ++j) {
    output[j] = decode_[2 * j] + (decode_[2 * j + 1] - decode_[2 * j]) * sum[j];
  }
}

}  // namespace qp::pdf
