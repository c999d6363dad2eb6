#pragma once
// Resources made once per document: fonts, colour spaces, shadings (with the
// functions sampled into them), decoded images and text faces, keyed by the
// document object they were made from, kept within a byte budget and evicted
// least recently used first.
//
// A cache belongs to one loaded document and is used by the thread that
// renders that document; it takes no locks. Keys are the addresses of the
// document's objects, which stay put until the document is unloaded; the
// cache is emptied before that.

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <type_traits>
#include <unordered_map>

namespace qp::pdf {

class TPDResourceCache {
 public:
  // Decoded images make most of the bytes; fonts are counted roughly.
  static constexpr size_t kDefaultBudget = size_t{96} << 20;

  // Each kind holds values of one type (see the users); `a` and `b` tell
  // apart variants made from one object (an image's reduction factors).
  enum class Kind : uint8_t { kFont, kColorSpace, kShading, kImage, kTextFace };
  struct Key {
    const void* object = nullptr;
    Kind kind = Kind::kFont;
    int32_t a = 0;
    int32_t b = 0;
    bool operator==(const Key&) const = default;
  };
  struct Stats {
    uint64_t hits = 0;
    uint64_t misses = 0;
    uint64_t evictions = 0;
  };

  explicit TPDResourceCache(size_t budget = kDefaultBudget) : budget_(budget) {}
  TPDResourceCache(const TPDResourceCache&) = delete;
  TPDResourceCache& operator=(const TPDResourceCache&) = delete;

  // The value kept under `key` (now the most recently used), or nullptr. `T`
  // must be the type that was kept under the key's kind.
  template <typename T>
  std::shared_ptr<T> Find(const Key& key) {
    return std::static_pointer_cast<T>(FindAny(key));
  }
  // Keeps `value` under `key`, counted as `bytes`, replacing what was kept
  // there; then drops the least recently used entries until the total is
  // within the budget. A value larger than the whole budget is not kept.
  // Values still held elsewhere live on after they are dropped.
  template <typename T>
  void Keep(const Key& key, std::shared_ptr<T> value, size_t bytes) {
    KeepAny(key, std::const_pointer_cast<std::remove_const_t<T>>(std::move(value)), bytes);
  }

  // A budget of 0 keeps nothing. Lowering it evicts at once.
  void SetBudget(size_t budget);
  size_t Budget() const { return budget_; }
  bool Enabled() const { return budget_ > 0; }
  size_t Bytes() const { return bytes_; }
  size_t Size() const { return index_.size(); }
  const Stats& GetStats() const { return stats_; }
  void Clear();

 private:
  struct KeyHash {
    size_t operator()(const Key& k) const noexcept;
  };
  struct Entry {
    Key key;
    std::shared_ptr<void> value;
    size_t bytes;
  };
  using List = std::list<Entry>;

  std::shared_ptr<void> FindAny(const Key& key);
  void KeepAny(const Key& key, std::shared_ptr<void> value, size_t bytes);
  void Remove(List::iterator it);
  void EvictToBudget();

  size_t budget_;
  size_t bytes_ = 0;
  List lru_;  // most recently used first
  std::unordered_map<Key, List::iterator, KeyHash> index_;
  Stats stats_;
};

}  // namespace qp::pdf
