#include "pdf/core/pdf_collection.h"

#include <algorithm>

#include "pdf/core/pdf_errors.h"

namespace qp::pdf {

TPDCollection::TPDCollection(TPDObjectResolver* parentDoc, size_t capacity)
    : parent_doc_(parentDoc) {
  vector_.resize(std::min<size_t>(capacity, kMaxVectorSlots));
}

void TPDCollection::Tally(const TPDBaseObject* object, int change) {
  if (!object) return;
  const size_t one = 1;
  if (change > 0) {
    count_ += one;
    if (object->IsStream()) streams_ += one;
  } else {
    count_ -= one;
    if (object->IsStream()) streams_ -= one;
  }
}

void TPDCollection::Add(TPDObjectPtr value) {
  if (!value) throw ExInvalidObject();
  const uint32_t number = value->GetObjNumber();
  if (number >= kMaxVectorSlots) {
    TPDObjectPtr& slot = beyond_[number];
    Tally(slot.get(), -1);
    Tally(value.get(), 1);
    slot = std::move(value);
    return;
  }
  if (number >= vector_.size()) {
    // Grow by a quarter (at least one slot) until the number fits.
    size_t capacity = vector_.size();
    while (capacity <= number) capacity += std::max<size_t>(capacity / 4, 1);
    vector_.resize(std::min<size_t>(capacity, kMaxVectorSlots));
  }
  Tally(vector_[number].get(), -1);
  Tally(value.get(), 1);
  vector_[number] = std::move(value);
}

TPDBaseObject* TPDCollection::GetObject(uint32_t objNumber) const {
  if (objNumber < vector_.size()) return vector_[objNumber].get();
  if (objNumber < kMaxVectorSlots) return nullptr;
  const auto it = beyond_.find(objNumber);
  return it == beyond_.end() ? nullptr : it->second.get();
}

void TPDCollection::Clear() {
  vector_.clear();
  beyond_.clear();
  count_ = 0;
  streams_ = 0;
}

}  // namespace qp::pdf
