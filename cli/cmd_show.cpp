#include <cstdio>
#include <ostream>
#include <string>

#include "cli/command.h"
#include "pdf/core/pdf_document.h"
#include "pdf/core/pdf_object_text.h"

namespace qp::cli {

namespace {

constexpr std::string_view kUsage = "Usage: platec show FILE.pdf OBJ [--raw | --decoded]\n";

void CopyStream(pdf::TStream& stream, std::ostream& out) {
  stream.Reset();
  uint8_t buffer[65536];
  while (size_t n = stream.Read(buffer, sizeof(buffer))) {
    out.write(reinterpret_cast<const char*>(buffer), static_cast<std::streamsize>(n));
  }
}

}  // namespace

int RunShow(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  std::string file;
  std::string number;
  std::string password;
  enum { kText, kRaw, kDecoded } mode = kText;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--raw") {
      mode = kRaw;
    } else if (args[i] == "--decoded") {
      mode = kDecoded;
    } else if (args[i] == "--password" && i + 1 < args.size()) {
      password = args[++i];
    } else if (file.empty()) {
      file = args[i];
    } else if (number.empty()) {
      number = args[i];
    } else {
      err << kUsage;
      return 2;
    }
  }
  unsigned long objNumber = 0;
  if (file.empty() || number.empty() ||
      number.find_first_not_of("0123456789") != std::string::npos || number.size() > 9) {
    err << kUsage;
    return 2;
  }
  objNumber = std::stoul(number);
  pdf::TPDDocument document;
  document.SetPassword(password);
  document.LoadDocument(file, true);
  pdf::TPDBaseObject* object = document.GetBaseDoc()->GetObject(static_cast<uint32_t>(objNumber));
  if (object == nullptr) {
    err << "platec show: object " << objNumber << " not found\n";
    return 1;
  }
  if (mode == kText) {
    out << pdf::ObjectToText(*object) << "\n";
    return 0;
  }
  if (!object->IsStream()) {
    err << "platec show: object " << objNumber << " is not a stream\n";
    return 1;
  }
  auto& stream = static_cast<pdf::TPDStream&>(*object);
  if (stream.GetStream() == nullptr) return 0;
  if (mode == kDecoded) {
    CopyStream(*stream.GetStream(), out);
  } else {
    // The bytes below the decoders (decrypted when the document is encrypted).
    pdf::TStream* raw = stream.GetStream();
    while (raw->GetUndecodedStream() != raw && raw->GetType() != pdf::stCrypt) {
      raw = raw->GetUndecodedStream();
    }
    CopyStream(*raw, out);
  }
  return 0;
}

}  // namespace qp::cli
