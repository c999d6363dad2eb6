#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>

#include "cli/argument_reader.h"
#include "cli/command.h"
#include "cli/option_values.h"
#include "cli/pdf_loading.h"
#include "pdf/core/pdf_document.h"
#include "pdf/core/pdf_object_text.h"

namespace qp::cli {

namespace {

enum ShowMode { kText, kRaw, kDecoded };

void CopyStream(pdf::TStream& stream, std::ostream& out) {
  stream.Reset();
  uint8_t buffer[65536];
  while (size_t n = stream.Read(buffer, sizeof(buffer))) {
    out.write(reinterpret_cast<const char*>(buffer), static_cast<std::streamsize>(n));
  }
}

}  // namespace

int RunShow(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  ArgumentReader reader(args);
  const bool raw = reader.Flag("--raw");
  const bool decoded = reader.Flag("--decoded");
  RefuseTogether(raw, "--raw", decoded, "--decoded");
  const auto mode = raw ? kRaw : decoded ? kDecoded : kText;
  const std::string password = reader.Value("--password").value_or("");
  const CommandArgs positionals = reader.Positionals({"FILE.pdf", "object number"}, 2);
  const std::string& file = positionals[0];
  const std::string& number = positionals[1];
  const int64_t objNumber = WholeNumberOption("the object number", number, 0, INT32_MAX);
  pdf::TPDDocument document;
  LoadPdfFile(document, file, password);
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
    pdf::TStream* below = stream.GetStream();
    while (below->GetUndecodedStream() != below && below->GetType() != pdf::stCrypt) {
      below = below->GetUndecodedStream();
    }
    CopyStream(*below, out);
  }
  return 0;
}

}  // namespace qp::cli
