#include "compiler/palette.h"

#include <algorithm>
#include <vector>

namespace qp {

namespace {

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
  return (b << 16) | (g << 8) | r;
}
constexpr int Red(uint32_t c) {
  return static_cast<int>(c & 0xFF);
}
constexpr int Green(uint32_t c) {
  return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int Blue(uint32_t c) {
  return static_cast<int>((c >> 16) & 0xFF);
}

constexpr int kCellBits = 4;  // a cell spans 16 values of each channel
constexpr int kCellSize = 1 << kCellBits;

int Squared(int v) {
  return v * v;
}

// Squared distance from v to the nearest and the farthest point of [lo, hi].
int MinAxisDistance(int v, int lo, int hi) {
  return v < lo ? Squared(lo - v) : v > hi ? Squared(v - hi) : 0;
}
int MaxAxisDistance(int v, int lo, int hi) {
  return std::max(Squared(v - lo), Squared(v - hi));
}

}  // namespace

PlatePaletteTable BuildPlatePalette() {
  PlatePaletteTable palette;
  int n = 0;
  auto add = [&](uint32_t colour) { palette.entries[n++] = colour; };

  static constexpr uint32_t kFixed[16][3] = {
      {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},  {0, 0, 128}, {128, 0, 128},
      {0, 128, 128}, {128, 128, 128}, {192, 192, 192}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
      {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
  for (const auto& c : kFixed) add(Rgb(c[0], c[1], c[2]));

  for (uint32_t a = 0; a <= 13; ++a) {
    uint32_t red = a == 13 ? 255 : 20 * a;
    for (uint32_t b = 0; b <= 4; ++b) {
      uint32_t green = b == 4 ? 255 : 64 * b;
      for (uint32_t c = 0; c <= 2; ++c) {
        uint32_t blue = c == 2 ? 255 : 128 * c;
        uint32_t value = Rgb(red, green, blue);
        if (value != 0 && value != 0xFFFFFF) add(value);
      }
    }
  }

  for (uint32_t k = 2; k <= 15; ++k) add(Rgb(16 * k, 16 * k, 16 * k));

  static constexpr uint32_t kTints[8][3] = {{200, 150, 50},  {211, 165, 72},  {217, 179, 90},
                                            {229, 194, 108}, {239, 213, 133}, {247, 231, 160},
                                            {245, 250, 171}, {252, 253, 208}};
  for (const auto& c : kTints) add(Rgb(c[0], c[1], c[2]));

  palette.count = static_cast<uint8_t>(n);
  return palette;
}

const PlatePaletteTable& PlatePalette() {
  static const PlatePaletteTable palette = BuildPlatePalette();
  return palette;
}

uint8_t NearestPaletteIndex(uint32_t colour) {
  const PlatePaletteTable& palette = PlatePalette();
  int r = Red(colour), g = Green(colour), b = Blue(colour);
  int best = 0xFFFFFF;
  uint8_t bestIndex = 0;
  for (int i = 0; i < palette.count; ++i) {
    uint32_t p = palette.entries[i];
    int d = Squared(r - Red(p)) + Squared(g - Green(p)) + Squared(b - Blue(p));
    if (d < best) {
      best = d;
      bestIndex = static_cast<uint8_t>(i);
    }
  }
  return bestIndex;
}

PaletteMatcher::PaletteMatcher(const PlatePaletteTable& palette)
    : palette_(palette), table_(new std::atomic<uint8_t>[1u << 24]) {
  for (uint32_t i = 0; i < (1u << 24); ++i) table_[i].store(kUnknown, std::memory_order_relaxed);
}

uint8_t PaletteMatcher::FillCell(uint32_t key) const {
  const int r0 = Red(key) & ~(kCellSize - 1), g0 = Green(key) & ~(kCellSize - 1),
            b0 = Blue(key) & ~(kCellSize - 1);
  const int r1 = r0 + kCellSize - 1, g1 = g0 + kCellSize - 1, b1 = b0 + kCellSize - 1;

  // Every colour of the cell has some entry within `bound` of it, so an entry
  // whose nearest point of the cell lies farther away can never be nearest.
  // Keeping entries at exactly `bound` keeps every tie, and the candidates stay
  // in index order, so the scan below breaks ties as the full scan does.
  int bound = 0x7FFFFFFF;
  for (int i = 0; i < palette_.count; ++i) {
    uint32_t p = palette_.entries[i];
    int far = MaxAxisDistance(Red(p), r0, r1) + MaxAxisDistance(Green(p), g0, g1) +
              MaxAxisDistance(Blue(p), b0, b1);
    bound = std::min(bound, far);
  }
  struct Candidate {
    int r, g, b;
    uint8_t index;
  };
  std::vector<Candidate> candidates;
  for (int i = 0; i < palette_.count; ++i) {
    uint32_t p = palette_.entries[i];
    int near = MinAxisDistance(Red(p), r0, r1) + MinAxisDistance(Green(p), g0, g1) +
               MinAxisDistance(Blue(p), b0, b1);
    if (near <= bound) candidates.push_back({Red(p), Green(p), Blue(p), static_cast<uint8_t>(i)});
  }

  for (int b = b0; b <= b1; ++b) {
    for (int g = g0; g <= g1; ++g) {
      for (int r = r0; r <= r1; ++r) {
        int best = 0xFFFFFF;
        uint8_t bestIndex = 0;
        for (const Candidate& c : candidates) {
          int d = Squared(r - c.r) + Squared(g - c.g) + Squared(b - c.b);
          if (d < best) {
            best = d;
            bestIndex = c.index;
          }
        }
        table_[Rgb(r, g, b)].store(bestIndex, std::memory_order_relaxed);
      }
    }
  }
  return table_[key].load(std::memory_order_relaxed);
}

const PaletteMatcher& PlatePaletteMatcher() {
  static const PaletteMatcher matcher(PlatePalette());
  return matcher;
}

}  // namespace qp
