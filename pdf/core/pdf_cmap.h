#pragma once
// CMaps: a small PostScript-style tokenizer, the parser of CMap programs
// (code ranges and single codes), and the CMap of a composite font with its
// optional Unicode companion.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/core/pdf_stream.h"

namespace qp::pdf {

class TPSTokenizer {
 public:
  // Tokens keep at most this many bytes; the rest of a longer token is read
  // and dropped.
  static constexpr size_t kMaxTokenLength = 4096;

  // Borrows `stream` and reads it from its current position.
  explicit TPSTokenizer(TStream& stream) : stream_(stream) {}
  // The next token; false and an empty token at the end of the data.
  bool GetNextToken(std::string& token);

 private:
  int Peek();
  int Next();

  TStream& stream_;
  std::array<uint8_t, 1024> buffer_{};
  size_t index_ = 0;
  size_t count_ = 0;
};

struct TCIDRange {
  int32_t CIDStart;
  int32_t CIDEnd;
  int32_t Code;
};

// Codes of `bytes` bytes from `low` to `high` (compared byte by byte).
struct TCodeSpaceRange {
  uint32_t low;
  uint32_t high;
  int bytes;
};

struct TCIDCode {
  int32_t CID;
  int32_t Code;
};

class TPDCMapParser {
 public:
  // Parses the whole program; a number that does not convert raises
  // EConvertError.
  explicit TPDCMapParser(TStream& stream);

  // The destination of `code` by the ranges (the last match wins); -1 when
  // none maps it.
  int32_t LookupRange(int32_t code) const;
  // The destination by the single codes (the last match wins), else by the
  // ranges.
  int32_t LookupCode(int32_t code) const;

  const std::string& Registry() const { return registry_; }
  const std::string& Ordering() const { return ordering_; }
  const std::string& Supplement() const { return supplement_; }
  int32_t WMode() const { return wmode_; }
  const std::vector<TCIDRange>& Ranges() const { return ranges_; }
  const std::vector<TCIDCode>& Codes() const { return codes_; }
  const std::vector<TCodeSpaceRange>& CodeSpace() const { return code_space_; }
  // The CMap named by usecmap, empty when none.
  const std::string& UseCMap() const { return use_cmap_; }
  // Bytes of the code at the start of `text` by the code space ranges; 0
  // without ranges. A code in no range takes the shortest range's length.
  int CodeLength(std::string_view text) const;

  // Takes the mappings and code space of `parent` (the CMap this one uses)
  // beneath its own: its own mappings still win. The usecmap name is
  // cleared.
  void MergeParent(const TPDCMapParser& parent);
  // Builds a table for LookupCode over the two-byte codes, for CMaps with
  // many mappings; call after the last merge.
  void BuildIndex();

 private:
  void ReadRanges(TPSTokenizer& tokens);
  void ReadCodeSpace(TPSTokenizer& tokens);
  void ReadCodes(TPSTokenizer& tokens, bool cids);

  std::string registry_;
  std::string ordering_;
  std::string supplement_;
  int32_t wmode_ = 0;
  std::vector<TCIDRange> ranges_;
  std::vector<TCIDCode> codes_;
  std::vector<TCodeSpaceRange> code_space_;
  std::string use_cmap_;
  std::vector<int32_t> index_;  // LookupCode by code below 0x10000; empty: none
};

enum TWritingMode { wmHorizontal, wmVertical };

class TPDCMap {
 public:
  // The CMap `cMapName` from the folder `cMapPath` (directly in it or in a
  // collection subfolder), or an identity CMap, or nothing. `collection` is
  // the font's character collection ("Adobe-Japan1"), whose CID-to-Unicode
  // table is taken when the CMap names none. Without a folder no file is
  // read; names that would leave the folder are refused.
  static std::unique_ptr<TPDCMap> MakeCMap(const std::string& collection,
                                           const std::string& cMapName,
                                           const std::string& cMapPath);

  // A CMap embedded in the document (a CMap stream), parsed from `stream`;
  // a CMap it uses comes from the folder `cMapPath`. Raises what the parser
  // raises for a damaged program.
  static std::unique_ptr<TPDCMap> FromStream(TStream& stream, const std::string& collection,
                                             const std::string& cMapPath = {});

  // The CID of the code at 1-based `index` of `text`; `processed` is the
  // number of bytes the code takes. A code the CMap does not map is CID 0.
  uint16_t GetCID(std::string_view text, size_t index, int& processed) const;
  // The Unicode value of `cid` by the collection's table; 0 when unknown.
  uint32_t UnicodeOf(uint16_t cid) const;
  bool HasUnicodeTable() const { return unicode_ != nullptr; }

  const std::string& cMapName() const { return name_; }
  const std::string& Collection() const { return collection_; }
  TWritingMode WMode() const { return wmode_; }
  const TPDCMapParser* CMapParser() const { return cmap_parser_.get(); }

 private:
  TPDCMap() = default;

  std::string name_;
  std::string collection_;
  TWritingMode wmode_ = wmHorizontal;
  std::shared_ptr<const TPDCMapParser> cmap_parser_;
  std::shared_ptr<const std::vector<uint32_t>> unicode_;
};

}  // namespace qp::pdf
