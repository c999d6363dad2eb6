// Fuzz target: the group file reader over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "compiler/group_file_reader.h"
#include "compiler/plate_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    qp::GroupFileContent content = qp::ReadGroupFile(std::span<const uint8_t>(data, size));
    for (const qp::GroupFileEntry& entry : content.entries) {
      if (entry.plate) (void)entry.plate->Colours();
    }
  } catch (const qp::PlateError&) {
  }
  return 0;
}
