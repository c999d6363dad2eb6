#pragma once
// Builds a stream object's decoding chain from its /Filter and /DecodeParms:
// one filter stream per filter, each owning the one below it.

#include <memory>
#include <utility>

#include "pdf/core/filters.h"
#include "pdf/core/pdf_parser.h"

namespace qp::pdf {

class TPDFilterManager final : public TPDStreamFilterFactory {
 public:
  // Decoded bytes a document's streams may produce while one page is drawn.
  static constexpr uint64_t kPageDecodeBudget = uint64_t{1} << 30;

  explicit TPDFilterManager(DecodeLimits limits = {}) : limits_(std::move(limits)) {
    if (!limits_.budget) limits_.budget = std::make_shared<DecodeBudget>();
  }

  void SetPageDecodeBudget(uint64_t bytes) { page_budget_ = bytes; }
  // Starts a new page's budget of decoded bytes, shared by every chain made
  // from now on and by those still open.
  void ResetDecodeBudget() {
    limits_.budget->remaining = page_budget_;
    limits_.budget->spent = false;
  }
  // True once a stream's data was cut short because the budget ran out.
  bool DecodeBudgetSpent() const { return limits_.budget->spent; }

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
  uint64_t page_budget_ = kPageDecodeBudget;
};

}  // namespace qp::pdf
