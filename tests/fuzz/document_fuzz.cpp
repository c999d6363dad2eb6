// Loads a document from arbitrary bytes and reads what the compiler and the
// renderer read: the page count and, for every page found, its boxes,
// rotation, resources and contents (each content stream decoded).
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/fuzz/fuzz_read_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qp::fuzz::LoadAndReadPages(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
