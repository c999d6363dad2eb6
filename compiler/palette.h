#pragma once
// The fixed 246-colour plate palette and the nearest-colour rule. Colours are
// values 0x00BBGGRR: red in the low byte.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

namespace qp {

inline constexpr int kPaletteCapacity = 256;

struct PlatePaletteTable {
  std::array<uint32_t, kPaletteCapacity> entries{};  // entries past `count` stay 0
  uint8_t count = 0;                                 // 246 once built
};

// Builds the table in its fixed order.
PlatePaletteTable BuildPlatePalette();

// The process-wide table, built on first use.
const PlatePaletteTable& PlatePalette();

// Reference rule: a full scan of all entries in index order with a strict
// comparison, so the lowest index wins among equal distances. Only the three
// low bytes of `colour` count.
uint8_t NearestPaletteIndex(uint32_t colour);

// Exact fast path: gives every colour the index that NearestPaletteIndex
// gives. A 16 MiB table filled one 16x16x16 cell of colours at a time, on first
// use of the cell, by scanning only the entries that can be nearest to some
// colour of the cell. Safe to use from several threads.
class PaletteMatcher {
 public:
  explicit PaletteMatcher(const PlatePaletteTable& palette);

  uint8_t Match(uint32_t colour) const {
    uint32_t key = colour & 0xFFFFFFu;
    uint8_t index = table_[key].load(std::memory_order_relaxed);
    return index != kUnknown ? index : FillCell(key);
  }

 private:
  static constexpr uint8_t kUnknown = 0xFF;
  uint8_t FillCell(uint32_t key) const;

  PlatePaletteTable palette_;
  std::unique_ptr<std::atomic<uint8_t>[]> table_;
};

// The matcher over PlatePalette(), created on first use.
const PaletteMatcher& PlatePaletteMatcher();

}  // namespace qp
