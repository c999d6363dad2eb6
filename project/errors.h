#pragma once
// The exceptions of the project model and of everything built on it. Every
// failure carries the message that the user sees.

#include <stdexcept>
#include <string>

namespace qp {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file could not be written; the file on disk is left as it was.
class WriteError : public Error {
 public:
  explicit WriteError(const std::string& path) : Error("Unable to write to " + path), path_(path) {}
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace qp
