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

class ExFileNotFound : public EPDFEngineError {
 public:
  ExFileNotFound() : EPDFEngineError("File Not Found") {}
};

class ExFileOpenError : public EPDFEngineError {
 public:
  ExFileOpenError() : EPDFEngineError("File Open error") {}
};

class ExInvalidPDFFile : public EPDFEngineError {
 public:
  ExInvalidPDFFile() : EPDFEngineError("Invalid PDF Document") {}
};

class ExStartXrefNotFound : public EPDFEngineError {
 public:
  ExStartXrefNotFound() : EPDFEngineError("startxref not found") {}
};

class ExImproperCrossRefTableOrStream : public EPDFEngineError {
 public:
  ExImproperCrossRefTableOrStream() : EPDFEngineError("Improper Cross reference Table or Stream") {}
};

class ExInvalidPassword : public EPDFEngineError {
 public:
  ExInvalidPassword() : EPDFEngineError("Invalid password") {}
};

class ExPasswordRequired : public EPDFEngineError {
 public:
  ExPasswordRequired() : EPDFEngineError("Encrypted PDF: Password required for loading") {}
};

class ExUnsupportedEncryption : public EPDFEngineError {
 public:
  ExUnsupportedEncryption() : EPDFEngineError("Unsupported encryption") {}
};

class ExInvalidFileID : public EPDFEngineError {
 public:
  ExInvalidFileID() : EPDFEngineError("Invalid File ID in Trailer") {}
};

class ExBadRootObj : public EPDFEngineError {
 public:
  ExBadRootObj() : EPDFEngineError("Catalog not found") {}
};

class ExNoPageTreeObj : public EPDFEngineError {
 public:
  ExNoPageTreeObj() : EPDFEngineError("No Page Entry in Catalog") {}
};

class ExBadPage : public EPDFEngineError {
 public:
  ExBadPage() : EPDFEngineError("Bad Page object") {}
};

// A number in a CMap program that does not convert.
class EConvertError : public EPDFEngineError {
 public:
  explicit EConvertError(const std::string& text)
      : EPDFEngineError("'" + text + "' is not a valid integer value") {}
};

}  // namespace qp::pdf
