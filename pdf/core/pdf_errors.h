#pragma once
// The PDF engine's exceptions: one base class, one subclass per failure, each
// carrying the message text that the user sees.

#include <stdexcept>
#include <string>

namespace qp::pdf {

class EPDFEngineError : public std::runtime_error {
 public:
  explicit EPDFEngineError(const std::string& message) : std::runtime_error(message) {}
};

class ExInvalidObject : public EPDFEngineError {
 public:
  ExInvalidObject() : EPDFEngineError("Invalid Object") {}
};

class ExInvalidStream : public EPDFEngineError {
 public:
  ExInvalidStream() : EPDFEngineError("Invalid Stream") {}
};

class ExOutofMemory : public EPDFEngineError {
 public:
  ExOutofMemory() : EPDFEngineError("Out of Memory") {}
};

class ExInvalidBuffer : public EPDFEngineError {
 public:
  ExInvalidBuffer() : EPDFEngineError("Invalid Buffer") {}
};

}  // namespace qp::pdf
