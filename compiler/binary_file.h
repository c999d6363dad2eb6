#pragma once
// Small RAII wrappers over C stdio for the compiler's binary files. Every
// failure throws PlateError with the path and the system's reason.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>

namespace qp {

class OutputFile {
 public:
  // Creates the file, or truncates it when it exists. With `keepContent` an
  // existing file is overwritten in place instead, and the writer cuts it to
  // its new length with Truncate: rewriting a file of similar size then
  // avoids freeing and reallocating its blocks (and the flush on close that
  // some file systems add after a truncation to zero).
  explicit OutputFile(const std::filesystem::path& path, bool keepContent = false);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  OutputFile(OutputFile&& other) noexcept
      : path_(std::move(other.path_)), file_(std::exchange(other.file_, nullptr)) {}
  OutputFile& operator=(OutputFile&&) = delete;

  void Write(const void* data, size_t size);
  void WriteU16(uint16_t v);
  void WriteU32(uint32_t v);
  void Seek(uint64_t offset);
  uint64_t Tell();
  // Cuts the file to `size` bytes and leaves the position at its end.
  void Truncate(uint64_t size);
  // Flushes and closes; throws when the data could not be written.
  void Close();
  // Flushes the data to the disk itself (fsync), so a rename after it
  // cannot publish a file whose blocks are not yet written.
  void Sync();
  bool IsOpen() const { return file_ != nullptr; }
  const std::filesystem::path& Path() const { return path_; }

 private:
  [[noreturn]] void Fail(const char* action);

  std::filesystem::path path_;
  std::FILE* file_ = nullptr;
};

// A file written under a temporary name beside its destination and renamed
// over it by Commit, so that readers see the old content or the new, never a
// mix, and a killed process leaves the old file as it was. Destroyed without
// Commit, the temporary file is removed.
class ReplacementFile {
 public:
  explicit ReplacementFile(const std::filesystem::path& destination);
  ~ReplacementFile();
  ReplacementFile(ReplacementFile&& other) noexcept;
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;
  ReplacementFile& operator=(ReplacementFile&&) = delete;

  OutputFile& File() { return file_; }
  const std::filesystem::path& Destination() const { return destination_; }
  // Syncs, closes and renames the temporary file over the destination.
  void Commit();

 private:
  std::filesystem::path destination_;
  OutputFile file_;
  bool pending_ = true;  // the temporary file still exists under its own name
};

// True for the name of a temporary file that a ReplacementFile leaves only
// when its process is killed.
bool IsLeftoverReplacementName(const std::string& file_name);

// The whole content of a file, refused when larger than `maxSize` bytes.
std::string ReadWholeFile(const std::filesystem::path& path, uint64_t maxSize);

// Little-endian stores into a byte buffer.
inline void PutU16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

}  // namespace qp
