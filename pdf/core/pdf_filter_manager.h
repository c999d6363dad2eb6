#pragma once
// Builds a stream object's decoding chain from its /Filter and /DecodeParms:
// one filter stream per filter, each owning the one below it.

#include <memory>

#include "pdf/core/filters.h"
#include "pdf/core/pdf_parser.h"

namespace qp::pdf {

class TPDFilterManager final : public TPDStreamFilterFactory {
 public:
  explicit TPDFilterManager(DecodeLimits limits = {}) : limits_(limits) {}

  // A stream object over `raw` decoded by the filters that `dict` names.
  // Raises ExInvalidObject without a dictionary and ExInvalidStream without a
  // stream; nothing when /Filter is neither a name nor an array.
  std::unique_ptr<TPDStream> GetFilter(std::unique_ptr<TPDDictionary> dict,
                                       std::unique_ptr<TStream> raw) override;

  // The stream `below` decoded by the one filter `name` with the parameters
  // `params` (a dictionary, or nothing for the defaults).
  std::unique_ptr<TStream> MakeFilterStream(std::string_view name, const TPDBaseObject* params,
                                            std::unique_ptr<TStream> below) const;

 private:
  DecodeLimits limits_;
};

}  // namespace qp::pdf
