#pragma once
// Replacing a file's content in one step: the new content goes to a
// temporary file in the same folder, is flushed to disk and renamed over the
// old file, so a crash, a kill or a full disk leaves the old file or the new
// one, never a mix.

#include <cstddef>
#include <string>
#include <string_view>

namespace qp {

// Throws WriteError ("Unable to write to PATH") when any step fails; the old
// file is then untouched and no temporary file is left behind.
void ReplaceFileAtomically(const std::string& path, std::string_view content);

// Reads a whole file; false when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::string& content);

// For tests: while an instance lives, writes on this thread fail once the
// temporary file holds `fail_after_bytes` bytes, as on a full disk.
class ScopedWriteFailure {
 public:
  explicit ScopedWriteFailure(size_t fail_after_bytes);
  ~ScopedWriteFailure();
  ScopedWriteFailure(const ScopedWriteFailure&) = delete;
  ScopedWriteFailure& operator=(const ScopedWriteFailure&) = delete;

 private:
  size_t previous_;
};

}  // namespace qp
