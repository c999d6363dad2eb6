#pragma once
// Writes images to PNG files through libpng, tuned for charts: mostly white
// pages compress well unfiltered at a low zlib level, in a fraction of the
// default settings' time.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace qp {

// `colours` holds width x height colour values 0x00BBGGRR, top row first.
// Throws PlateError naming the file when it cannot be written.
void WritePng(const std::filesystem::path& path, int width, int height,
              std::span<const uint32_t> colours);

// Cairo's RGB24 pixels (32 bits each, the unused byte high) as they lie in a
// raster, `stride` bytes per row; written without a copy of the image.
void WriteRgb24Png(const std::filesystem::path& path, int width, int height, int stride,
                   const uint8_t* pixels);

// The same PNG as WriteRgb24Png, as bytes (for standard output).
std::string Rgb24PngBytes(int width, int height, int stride, const uint8_t* pixels);

// An 8-bit indexed PNG: `indices` (width x height, top row first) into
// `palette` (0x00BBGGRR, at most 256 entries).
void WriteIndexedPng(const std::filesystem::path& path, int width, int height,
                     std::span<const uint8_t> indices, std::span<const uint32_t> palette);

}  // namespace qp
