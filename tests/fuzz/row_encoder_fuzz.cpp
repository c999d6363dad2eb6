// Fuzz target: the row encoder against the group file decoder. Every row must
// encode within w + ceil(w / 127) bytes and decode back to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "compiler/group_file_reader.h"
#include "compiler/image_encoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 65535) return 0;
  std::vector<uint8_t> row(data, data + size);
  for (uint8_t& v : row) v = static_cast<uint8_t>(v % 8);  // few values: many runs
  std::vector<uint8_t> encoded;
  qp::EncodeRow(row, encoded);
  if (encoded.size() > size + (size + 126) / 127) std::abort();
  if (qp::DecodeImageRows(encoded, static_cast<uint16_t>(size), 1) != row) std::abort();
  return 0;
}
