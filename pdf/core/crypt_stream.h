#pragma once
// Decrypting ByteSources for stream data, keyed with an object key.

#include <memory>
#include <string>
#include <string_view>

#include "pdf/core/byte_source.h"
#include "pdf/core/filters.h"

namespace qp::pdf {

std::unique_ptr<ByteSource> MakeRc4DecryptSource(std::unique_ptr<ByteSource> input,
                                                 std::string_view key);

// AES-CBC: the first 16 bytes are the IV; the padding of the last block is
// removed; a trailing partial block is dropped. Key of 16 or 32 bytes.
std::unique_ptr<ByteSource> MakeAesDecryptSource(std::unique_ptr<ByteSource> input,
                                                 std::string_view key);

// The same for a whole byte string.
std::string AesDecryptString(std::string_view key, std::string_view data);

}  // namespace qp::pdf
