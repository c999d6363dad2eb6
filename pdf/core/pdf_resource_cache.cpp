#include "pdf/core/pdf_resource_cache.h"

#include <functional>

namespace qp::pdf {

size_t TPDResourceCache::KeyHash::operator()(const Key& k) const noexcept {
  size_t h = std::hash<const void*>()(k.object);
  const uint64_t rest =
      uint64_t(uint8_t(k.kind)) << 56 ^ uint64_t(uint32_t(k.a)) << 24 ^ uint64_t(uint32_t(k.b));
  return h ^ (std::hash<uint64_t>()(rest) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2));
}

std::shared_ptr<void> TPDResourceCache::FindAny(const Key& key) {
  const auto it = index_.find(key);
  if (it == index_.end()) {
    ++stats_.misses;
    return nullptr;
  }
  ++stats_.hits;
  lru_.splice(lru_.begin(), lru_, it->second);
  return it->second->value;
}

void TPDResourceCache::Remove(List::iterator it) {
  bytes_ -= it->bytes;
  index_.erase(it->key);
  lru_.erase(it);
}

void TPDResourceCache::KeepAny(const Key& key, std::shared_ptr<void> value, size_t bytes) {
  if (const auto it = index_.find(key); it != index_.end()) Remove(it->second);
  if (!value || !Enabled() || bytes > budget_) return;
  lru_.push_front(Entry{key, std::move(value), bytes});
  index_.emplace(key, lru_.begin());
  bytes_ += bytes;
  EvictToBudget();
}

void TPDResourceCache::EvictToBudget() {
  while (bytes_ > budget_ && !lru_.empty()) {
    Remove(std::prev(lru_.end()));
    ++stats_.evictions;
  }
}

void TPDResourceCache::SetBudget(size_t budget) {
  budget_ = budget;
  EvictToBudget();
}

void TPDResourceCache::Clear() {
  index_.clear();
  lru_.clear();
  bytes_ = 0;
}

}  // namespace qp::pdf
