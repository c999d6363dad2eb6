#pragma once
// The cross-reference table of one document: finds "startxref", reads every
// section of the Prev chain (tables, streams and hybrids), and fetches
// indirect objects from the file or from object streams.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_parser.h"

namespace qp::pdf {

enum TPDXRefEntrytype { xeFree, xeUnCompressed, xeCompressed };

struct TPDXRefEntry {
  static constexpr uint32_t kUnfilled = 0xFFFFFFFFu;
  // For a compressed entry: the object number of its object stream.
  uint32_t Offset = kUnfilled;
  // For a compressed entry: the index inside its object stream.
  uint32_t GenNum = kUnfilled;
  TPDXRefEntrytype EntryType = xeFree;
  bool Filled = false;
};

class TPDXRef;

// The parsed objects of one object stream.
class TObjectStream {
 public:
  // Object streams holding more objects than this are taken as damaged.
  static constexpr int32_t kMaxObjects = 1 << 20;
  // Decoded data beyond this many bytes is not read.
  static constexpr size_t kMaxDataSize = size_t{64} << 20;

  TObjectStream(TPDXRef& xref, uint32_t objStreamNumber);
  // A copy of object `index` when its recorded number is `objNumber`, else an
  // error object.
  TPDObjectPtr GetObject(uint32_t index, uint32_t objNumber) const;
  uint32_t GetObjStrNum() const { return obj_str_num_; }
  size_t GetNoObjects() const { return objects_.size(); }
  // The parsed object at `index` and the number its header gives it.
  const TPDBaseObject& ObjectAt(size_t index) const { return *objects_[index]; }
  uint32_t NumberAt(size_t index) const { return obj_numbers_[index]; }

 private:
  uint32_t obj_str_num_;
  std::vector<TPDObjectPtr> objects_;
  std::vector<uint32_t> obj_numbers_;
};

class TPDXRef {
 public:
  // `file` is the window over the whole file, borrowed. `context` is used for
  // every fetch: its decryptor may be set later with SetDecryptor.
  TPDXRef(TBaseStream& file, const TPDParserContext& context);
  ~TPDXRef();

  // The offset after "startxref"; raises ExInvalidPDFFile for an empty file
  // and ExStartXrefNotFound when there is no usable value.
  int64_t GetStartXref();
  // Reads the chain of sections. Raises ExImproperCrossRefTableOrStream when
  // the first section yields no trailer; returns false when a later section
  // failed.
  bool GenerateTable();

  // Rebuilds the table by scanning the whole file for object headers,
  // object streams and trailers, for a file whose cross-reference is
  // damaged: the last definition of an object in the file wins. Returns false,
  // leaving the table as it was, when the file holds no object at all.
  bool Rebuild();
  // After Rebuild, once decryption is set up: lists the objects of the object
  // streams found, unless a later definition in the file replaces them.
  void ExpandObjectStreams();
  // The number of the last catalog dictionary (with /Pages) that Rebuild and
  // ExpandObjectStreams met; 0 when none.
  uint32_t CatalogCandidate() const { return catalog_candidate_; }
  // Whether the row of `objNumber` leads to a matching "N G obj" header (for
  // a compressed object: the header of its object stream).
  bool HeaderInPlace(uint32_t objNumber);

  // A new object, or a TPDError when the object cannot be fetched.
  TPDObjectPtr Fetch(uint32_t objNumber);
  // The same, for objects stored directly in the file only.
  TPDObjectPtr FetchUncompressed(uint32_t objNumber);

  TPDDictionary* GetTrailorDict() const { return trailer_.get(); }
  size_t GetSize() const { return entries_.size(); }
  const TPDXRefEntry& GetEntry(size_t index) const { return entries_[index]; }
  bool IsEntryFree(size_t index) const {
    return index >= entries_.size() || entries_[index].EntryType == xeFree;
  }
  // Stores `value` at `index`, growing the table; false when `index` is
  // beyond the largest table this file can need.
  bool SetEntry(size_t index, const TPDXRefEntry& value);
  // Appends unfilled rows until there are `count` (bounded as SetEntry).
  void AddDefaultEntries(size_t count);
  size_t MaxRows() const { return max_rows_; }
  bool IsOk() const { return ok_; }

  void SetDecryptor(TPDDecryptor* decryptor) { context_.decryptor = decryptor; }
  const TPDParserContext& Context() const { return context_; }
  TBaseStream& FileWindow() const { return file_; }

 private:
  enum class SectionResult { kOk, kFailed, kEnd };
  SectionResult ReadSection(int64_t offset, int64_t* prev, bool streamOnly);
  SectionResult ReadTable(int64_t offset, int64_t position, int64_t* prev);
  SectionResult ReadXRefStream(int64_t offset, int64_t* prev);
  bool Reserve(size_t first, size_t count);
  void ScanObject(std::string_view data, size_t header, uint32_t number, uint32_t generation,
                  size_t* resume);
  void ScanTrailer(size_t at);
  bool IsFoundCatalog(uint32_t number) const;
  bool StoreIfUnfilled(size_t index, const TPDXRefEntry& value);

  TBaseStream& file_;
  TPDParserContext context_;
  int64_t file_size_;
  size_t max_rows_;
  int64_t start_xref_ = 0;
  std::vector<TPDXRefEntry> entries_;
  std::unique_ptr<TPDDictionary> trailer_;
  std::unique_ptr<TObjectStream> object_stream_;
  bool ok_ = true;

  // What Rebuild found: where each object was defined, the object streams
  // (number and offset) in file order, and the trailers in file order.
  std::vector<int64_t> defined_at_;
  std::vector<std::pair<uint32_t, int64_t>> found_object_streams_;
  std::vector<std::unique_ptr<TPDDictionary>> found_trailers_;
  std::vector<uint32_t> found_catalogs_;
  uint32_t catalog_candidate_ = 0;
};

}  // namespace qp::pdf
