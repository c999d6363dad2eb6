#pragma once
// Writes an RGB image to a PNG file through libpng.

#include <cstdint>
#include <filesystem>
#include <span>

namespace qp {

// `colours` holds width x height colour values 0x00BBGGRR, top row first.
// Throws PlateError naming the file when it cannot be written.
void WritePng(const std::filesystem::path& path, int width, int height,
              std::span<const uint32_t> colours);

}  // namespace qp
