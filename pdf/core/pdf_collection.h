#pragma once
// The document's cache of fetched indirect objects, indexed by object number.

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "pdf/core/pdf_objects.h"

namespace qp::pdf {

class TPDCollection {
 public:
  // Numbers below this are kept in the vector; larger ones (which no sane
  // file has) in a map, so a hostile number cannot size a huge vector.
  static constexpr uint32_t kMaxVectorSlots = 1u << 23;

  // `capacity`: the number of entries of the document's cross-reference table.
  explicit TPDCollection(TPDObjectResolver* parentDoc = nullptr, size_t capacity = 0);

  // Stores `value` under its object number, replacing an earlier entry.
  // Raises ExInvalidObject without a value.
  void Add(TPDObjectPtr value);
  // The cached object, or nothing.
  TPDBaseObject* GetObject(uint32_t objNumber) const;
  size_t GetCapacity() const { return vector_.size(); }
  // How many objects are held, and how many of them are streams (each holds
  // its decoders' buffers).
  size_t Count() const { return count_; }
  size_t Streams() const { return streams_; }
  TPDObjectResolver* GetParentDoc() const { return parent_doc_; }
  void Clear();

 private:
  TPDObjectResolver* parent_doc_;
  // Counts `object` in (+1) or out (-1) of the totals.
  void Tally(const TPDBaseObject* object, int change);

  std::vector<TPDObjectPtr> vector_;
  std::unordered_map<uint32_t, TPDObjectPtr> beyond_;
  size_t count_ = 0;
  size_t streams_ = 0;
};

}  // namespace qp::pdf
