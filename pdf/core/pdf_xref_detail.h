#pragma once
// Helpers that the cross-reference reader and its repair share.

#include <cstdint>
#include <memory>
#include <string>

#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_parser.h"
#include "pdf/core/pdf_stream.h"

namespace qp::pdf::xref_detail {

// Up to `size` bytes of the file from `start`.
std::string ReadRange(TBaseStream& file, int64_t start, size_t size);
// True, with the value, when `object` is an integer.
bool IntegerValue(const TPDBaseObject* object, int64_t* value);
// A parser over the file from `offset` to its end.
std::unique_ptr<TPDParser> ParserAt(TBaseStream& file, int64_t offset,
                                    const TPDParserContext& context, bool allowStreams);
// Reads "N G obj" and checks its numbers; `gen` < 0 accepts any generation.
bool ReadObjectHeader(TPDParser& parser, uint32_t objNumber, int64_t gen);

}  // namespace qp::pdf::xref_detail
