// JBIG2 (embedded streams, with optional global segments) through jbig2dec.
// The page is decoded whole on the first read and handed out in rows of
// 1-bit pixels, 0 for black as the image's colour space reads them.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

// After the standard headers: jbig2.h needs size_t and the fixed-width
// integer types declared before it.
#include <jbig2.h>
// jbig2.h defines `inline` away for old C compilers.
#undef inline

#include "pdf/core/filter_decoder.h"
#include "pdf/core/filters.h"

namespace qp::pdf {

namespace {

// The memory jbig2dec may hold for one image: a page header can ask for any
// size, and symbol dictionaries grow with the data.
constexpr size_t kMaxMemory = size_t{256} << 20;
// Encoded data beyond this is not read.
constexpr size_t kMaxInput = size_t{64} << 20;

// An allocator that refuses to go past kMaxMemory in all; each block keeps
// its size in front of it.
struct BudgetAllocator {
  Jbig2Allocator base{&Alloc, &Free, &Realloc};
  size_t used = 0;

  static constexpr size_t kHeader = alignof(std::max_align_t);

  static void* Alloc(Jbig2Allocator* allocator, size_t size) {
    auto* self = reinterpret_cast<BudgetAllocator*>(allocator);
    if (size > kMaxMemory - self->used) return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (block == nullptr) return nullptr;
    std::memcpy(block, &size, sizeof size);
    self->used += size;
    return block + kHeader;
  }
  static void Free(Jbig2Allocator* allocator, void* p) {
    if (p == nullptr) return;
    auto* self = reinterpret_cast<BudgetAllocator*>(allocator);
    unsigned char* block = static_cast<unsigned char*>(p) - kHeader;
    size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    self->used -= size;
    std::free(block);
  }
  static void* Realloc(Jbig2Allocator* allocator, void* p, size_t size) {
    if (p == nullptr) return Alloc(allocator, size);
    unsigned char* block = static_cast<unsigned char*>(p) - kHeader;
    size_t old = 0;
    std::memcpy(&old, block, sizeof old);
    void* fresh = Alloc(allocator, size);
    if (fresh == nullptr) return nullptr;
    std::memcpy(fresh, p, std::min(old, size));
    Free(allocator, p);
    return fresh;
  }
};
static_assert(offsetof(BudgetAllocator, base) == 0);

void IgnoreMessage(void*, const char*, Jbig2Severity, uint32_t) {}

// jbig2dec runs a text region's instance loop to the count its header
// declares, even when every instance names no symbol: a lying count costs
// billions of steps. No real page places this many symbols in one region.
constexpr uint32_t kMaxTextInstances = uint32_t{1} << 18;

uint32_t BigEndian32(const std::string& data, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(data[at])) << 24 |
         static_cast<uint32_t>(static_cast<uint8_t>(data[at + 1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(data[at + 2])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(data[at + 3]));
}

// Walks the segment headers of embedded data and reports a text region whose
// instance count exceeds kMaxTextInstances. Stops, reporting nothing, where
// the headers cannot be followed.
bool HasExcessiveTextRegion(const std::string& data) {
  size_t at = 0;
  while (at + 6 <= data.size()) {
    const uint32_t number = BigEndian32(data, at);
    const uint8_t flags = static_cast<uint8_t>(data[at + 4]);
    size_t pos = at + 5;
    uint32_t referred = static_cast<uint8_t>(data[pos]) >> 5;
    if (referred == 7) {
      if (pos + 4 > data.size()) return false;
      referred = BigEndian32(data, pos) & 0x1FFFFFFF;
      pos += 4 + (referred + 8) / 8;
    } else {
      pos += 1;
    }
    const size_t referredSize = number <= 256 ? 1 : number <= 65536 ? 2 : 4;
    pos += size_t{referred} * referredSize + ((flags & 0x40) != 0 ? 4 : 1);
    if (pos + 4 > data.size()) return false;
    const uint32_t length = BigEndian32(data, pos);
    pos += 4;
    if (length == 0xFFFFFFFFu) return false;
    const int type = flags & 0x3F;
    if (type == 4 || type == 6 || type == 7) {
      // Region information (17 bytes), the region flags, then the Huffman
      // flags and refinement pixels when those flags ask for them.
      size_t field = pos + 17;
      if (field + 2 > data.size()) return false;
      const uint32_t regionFlags = static_cast<uint32_t>(static_cast<uint8_t>(data[field])) << 8 |
                                   static_cast<uint8_t>(data[field + 1]);
      field += 2;
      if ((regionFlags & 1) != 0) field += 2;
      if ((regionFlags & 2) != 0 && (regionFlags & 0x8000) == 0) field += 4;
      if (field + 4 > data.size()) return false;
      if (BigEndian32(data, field) > kMaxTextInstances) return true;
    }
    if (length > data.size() - pos) return false;
    at = pos + length;
  }
  return false;
}

// Decodes one embedded JBIG2 page; empty rows when it cannot.
std::vector<uint8_t> DecodePage(const std::string& data, const std::string* globals,
                                uint32_t* rowBytes) {
  if (HasExcessiveTextRegion(data) || (globals != nullptr && HasExcessiveTextRegion(*globals))) {
    return {};
  }
  BudgetAllocator allocator;
  Jbig2GlobalCtx* globalCtx = nullptr;
  if (globals != nullptr && !globals->empty()) {
    Jbig2Ctx* g =
        jbig2_ctx_new(&allocator.base, JBIG2_OPTIONS_EMBEDDED, nullptr, IgnoreMessage, nullptr);
    if (g != nullptr) {
      jbig2_data_in(g, reinterpret_cast<const uint8_t*>(globals->data()), globals->size());
      globalCtx = jbig2_make_global_ctx(g);
    }
  }
  std::vector<uint8_t> rows;
  Jbig2Ctx* ctx =
      jbig2_ctx_new(&allocator.base, JBIG2_OPTIONS_EMBEDDED, globalCtx, IgnoreMessage, nullptr);
  if (ctx != nullptr) {
    jbig2_data_in(ctx, reinterpret_cast<const uint8_t*>(data.data()), data.size());
    jbig2_complete_page(ctx);
    if (Jbig2Image* page = jbig2_page_out(ctx)) {
      *rowBytes = (page->width + 7) / 8;
      rows.resize(size_t{*rowBytes} * page->height);
      for (uint32_t y = 0; y < page->height; ++y) {
        const uint8_t* in = page->data + size_t{y} * page->stride;
        uint8_t* out = rows.data() + size_t{y} * *rowBytes;
        // JBIG2 says 1 for black; the image data says 0.
        for (uint32_t x = 0; x < *rowBytes; ++x) out[x] = static_cast<uint8_t>(~in[x]);
      }
      jbig2_release_page(ctx, page);
    }
    jbig2_ctx_free(ctx);
  }
  if (globalCtx != nullptr) jbig2_global_ctx_free(globalCtx);
  return rows;
}

class Jbig2Decoder final : public Decoder {
 public:
  Jbig2Decoder(std::unique_ptr<ByteSource> input, std::shared_ptr<const std::string> globals,
               const DecodeLimits& limits)
      : Decoder(limits), input_(std::move(input)), globals_(std::move(globals)) {}

 protected:
  size_t Produce(uint8_t* out, size_t size) override {
    if (!decoded_) {
      decoded_ = true;
      std::string data;
      uint8_t block[16384];
      size_t n = 0;
      while (data.size() < kMaxInput && (n = input_.ReadBulk(block, sizeof block)) > 0) {
        data.append(reinterpret_cast<const char*>(block), n);
      }
      uint32_t rowBytes = 0;
      rows_ = DecodePage(data, globals_.get(), &rowBytes);
    }
    const size_t count = std::min(size, rows_.size() - pos_);
    if (count == 0) return 0;
    std::memcpy(out, rows_.data() + pos_, count);
    pos_ += count;
    return count;
  }
  void Restart() override {
    input_.Rewind();
    pos_ = 0;
  }

 private:
  InputReader input_;
  std::shared_ptr<const std::string> globals_;
  std::vector<uint8_t> rows_;
  size_t pos_ = 0;
  bool decoded_ = false;
};

}  // namespace

std::unique_ptr<ByteSource> MakeJbig2Decoder(std::unique_ptr<ByteSource> input,
                                             std::shared_ptr<const std::string> globals,
                                             const DecodeLimits& limits) {
  return std::make_unique<Jbig2Decoder>(std::move(input), std::move(globals), limits);
}

}  // namespace qp::pdf
