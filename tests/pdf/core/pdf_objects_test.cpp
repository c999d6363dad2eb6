#include "pdf/core/pdf_objects.h"

#include <gtest/gtest.h>

#include <map>

#include "pdf/core/pdf_collection.h"
#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_memory_stream.h"

namespace qp::pdf {
namespace {

// A document stand-in: objects by number, fetched once into a cache, numbers
// listed in `free_numbers` cannot be fetched.
class FakeDocument final : public TPDObjectResolver {
 public:
  std::map<uint32_t, std::function<TPDObjectPtr()>> sources;
  int fetches = 0;

  TPDBaseObject* GetObject(uint32_t number) override {
    if (TPDBaseObject* cached = cache_.GetObject(number)) return cached;
    const auto it = sources.find(number);
    if (it == sources.end()) return nullptr;
    ++fetches;
    TPDObjectPtr object = it->second();
    object->SetObjNumber(number);
    object->SetGenNumber(0);
    TPDBaseObject* result = object.get();
    cache_.Add(std::move(object));
    return result;
  }

 private:
  TPDCollection cache_{this, 4};
};

// Counts how many of its kind are alive, to check that shared bodies free
// their elements exactly once.
class Tracked final : public TPDBaseObject {
 public:
  static inline int alive = 0;
  Tracked() : TPDBaseObject(otNone) { ++alive; }
  ~Tracked() override { --alive; }
  TPDObjectPtr Clone() const override { return std::make_unique<Tracked>(); }
};

TEST(PdfObjects, TypesAndTypeNames) {
  auto stream = std::make_unique<TPDStream>(std::make_shared<TMemoryStream>(),
                                            std::make_unique<TPDDictionary>());
  const std::pair<TPDObjectPtr, const char*> cases[] = {
      {std::make_unique<TPDBoolean>(true), "boolean"},
      {std::make_unique<TPDInteger>(1), "integer"},
      {std::make_unique<TPDReal>(1.5), "real"},
      {std::make_unique<TPDString>("s", false), "AnsiString"},
      {std::make_unique<TPDName>("N"), "name"},
      {std::make_unique<TPDCommand>("BT"), "command"},
      {std::make_unique<TPDNull>(), "null"},
      {std::make_unique<TPDEOF>(), "eof"},
      {std::make_unique<TPDError>(), "error"},
      {std::make_unique<TPDArray>(), "array"},
      {std::make_unique<TPDDictionary>(), "dict"},
      {std::make_unique<TPDIndirectRef>(3, 0), "indirect ref"},
      {std::move(stream), "stream"},
      {std::make_unique<Tracked>(), "none"},
  };
  for (const auto& [object, name] : cases) {
    EXPECT_EQ(object->GetTypeName(), name);
    // A clone is of the same kind.
    EXPECT_EQ(object->Clone()->GetTypeName(), name);
  }
  EXPECT_EQ(TPDInteger(1).GetObjNumber(), kDirectObjNumber);
  EXPECT_TRUE(TPDDictionary().IsChanged());
  EXPECT_FALSE(TPDArray().IsChanged());
}

TEST(PdfObjects, NameAndCommandComparisons) {
  const TPDName name("AB");
  EXPECT_TRUE(name.IsName("AB"));
  EXPECT_TRUE(name.IsName("A#42"));
  EXPECT_FALSE(name.IsName("ab"));
  EXPECT_TRUE(TPDName("A#42").IsName("A#2342"));
  EXPECT_TRUE(TPDCommand("ID").IsCommand("ID"));
  EXPECT_FALSE(TPDCommand("ID").IsCommand("id"));
  EXPECT_FALSE(TPDString("AB", false).IsName("AB"));
}

TEST(PdfObjects, DictionaryLookupsAreExactAndResolveThroughTheDocument) {
  FakeDocument document;
  document.sources[7] = [] { return std::make_unique<TPDInteger>(42); };
  TPDDictionary empty(&document);
  EXPECT_EQ(empty.GetLength(), 0u);
  EXPECT_EQ(empty.LookUp("Type"), nullptr);
  EXPECT_TRUE(empty.LookUpClone("Type")->IsNull());

  TPDDictionary dict(&document);
  dict.Add("Type", std::make_unique<TPDName>("Page"));
  dict.Add("Free", std::make_unique<TPDIndirectRef>(5, 0));
  dict.Add("Value", std::make_unique<TPDIndirectRef>(7, 0));
  dict.Add(TPDName("Named"), std::make_unique<TPDInteger>(1));
  dict.Add(TPDInteger(3), std::make_unique<TPDInteger>(2));  // not a name: ignored
  EXPECT_EQ(dict.GetLength(), 4u);
  EXPECT_EQ(dict.LookUp("type"), nullptr);
  EXPECT_TRUE(dict.IsDict("Page"));
  EXPECT_FALSE(dict.IsDict("page"));
  // A reference to a free object: nothing resolved, the reference as stored.
  EXPECT_EQ(dict.LookUp("Free"), nullptr);
  ASSERT_NE(dict.LookupRefObj("Free"), nullptr);
  EXPECT_TRUE(dict.LookupRefObj("Free")->IsIndirectRef());
  EXPECT_TRUE(dict.LookUpClone("Free")->IsNull());
  EXPECT_TRUE(dict.LookupRefObjClone("Free")->IsIndirectRef());
  // Resolving twice returns the same instance, fetched once.
  TPDBaseObject* first = dict.LookUp("Value");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetNumber(), 42);
  EXPECT_EQ(dict.LookUp("Value"), first);
  EXPECT_EQ(dict.GetValue(2), first);
  EXPECT_EQ(document.fetches, 1);
  EXPECT_EQ(dict.GetKey(9), "");
  EXPECT_EQ(dict.GetValue(9), nullptr);

  dict.SetKeyValue("Type", std::make_unique<TPDName>("Pages"));
  EXPECT_TRUE(dict.IsDict("Pages"));
  EXPECT_TRUE(dict.Remove("Type"));
  EXPECT_FALSE(dict.Remove("Type"));
  EXPECT_EQ(dict.LookUp("Type"), nullptr);
}

// Typed look-ups resolve references and give nothing (or the fallback) for
// a missing key, a value of another kind, or a reference to nothing.
TEST(PdfObjects, TypedLookupsCheckTheKind) {
  FakeDocument document;
  document.sources[7] = [] { return std::make_unique<TPDDictionary>(); };
  document.sources[8] = [] { return std::make_unique<TPDReal>(3.0); };
  TPDDictionary dict(&document);
  dict.Add("Dict", std::make_unique<TPDIndirectRef>(7, 0));
  dict.Add("Whole", std::make_unique<TPDIndirectRef>(8, 0));
  dict.Add("Free", std::make_unique<TPDIndirectRef>(5, 0));
  dict.Add("Half", std::make_unique<TPDReal>(2.5));
  dict.Add("Int", std::make_unique<TPDInteger>(-4));
  dict.Add("Huge", std::make_unique<TPDReal>(1e300));
  dict.Add("Name", std::make_unique<TPDName>("Page"));
  dict.Add("Array", std::make_unique<TPDArray>());
  dict.Add("Yes", std::make_unique<TPDBoolean>(true));

  EXPECT_NE(dict.GetDict("Dict"), nullptr);
  EXPECT_NE(dict.GetArray("Array"), nullptr);
  EXPECT_EQ(dict.GetName("Name"), "Page");
  EXPECT_TRUE(dict.GetBoolean("Yes", false));
  const struct {
    const char* key;
    double number;    // GetNumber(key, -1)
    int64_t integer;  // GetInteger(key, -1)
  } numbers[] = {
      {"Whole", 3, 3},  {"Half", 2.5, -1}, {"Int", -4, -4},     {"Huge", 1e300, -1},
      {"Free", -1, -1}, {"Name", -1, -1},  {"Missing", -1, -1},
  };
  for (const auto& n : numbers) {
    EXPECT_EQ(dict.GetNumber(n.key, -1), n.number) << n.key;
    EXPECT_EQ(dict.GetInteger(n.key, -1), n.integer) << n.key;
  }
  for (const char* key : {"Free", "Name", "Whole", "Missing"}) {
    EXPECT_EQ(dict.GetDict(key), nullptr) << key;
    EXPECT_EQ(dict.GetArray(key), nullptr) << key;
    EXPECT_EQ(dict.GetStream(key), nullptr) << key;
    EXPECT_FALSE(dict.GetBoolean(key, false)) << key;
  }
  EXPECT_FALSE(dict.GetName("Array").has_value());
}

TEST(PdfObjects, ArrayIndexOutOfRangeChangesNothing) {
  TPDArray array;
  array.Add(std::make_unique<TPDInteger>(1));
  array.SetChanged(false);
  EXPECT_FALSE(array.Insert(std::make_unique<TPDInteger>(2), 1));
  EXPECT_FALSE(array.SetValue(std::make_unique<TPDInteger>(2), 5));
  EXPECT_FALSE(array.Remove(1));
  EXPECT_FALSE(array.IsChanged());
  EXPECT_EQ(array.Get(1), nullptr);
  EXPECT_TRUE(array.GetClone(1)->IsNull());
  EXPECT_TRUE(array.Insert(std::make_unique<TPDInteger>(0), 0));
  EXPECT_TRUE(array.IsChanged());
  EXPECT_EQ(array.Get(0)->GetNumber(), 0);
  EXPECT_EQ(array.GetLength(), 2u);
}

TEST(PdfObjects, SharedArrayBodiesFreeTheirElementsOnce) {
  Tracked::alive = 0;
  {
    auto original = std::make_unique<TPDArray>();
    original->Add(std::make_unique<Tracked>());
    original->Add(std::make_unique<Tracked>());
    TPDObjectPtr clone = original->Clone();
    static_cast<TPDArray&>(*clone).Add(std::make_unique<TPDInteger>(3));
    // The clone shares the body: the original sees the new element.
    EXPECT_EQ(original->GetLength(), 3u);
    original.reset();
    EXPECT_EQ(Tracked::alive, 2);
  }
  EXPECT_EQ(Tracked::alive, 0);
}

TEST(PdfObjects, DictionaryCloneIsDeepAndAssignCopiesArrays) {
  TPDDictionary dict;
  auto inner = std::make_unique<TPDArray>();
  inner->Add(std::make_unique<TPDInteger>(1));
  dict.Add("A", std::move(inner));
  auto clone = dict.Clone();
  static_cast<TPDArray*>(static_cast<TPDDictionary&>(*clone).LookUp("A"))
      ->Add(std::make_unique<TPDInteger>(2));
  EXPECT_EQ(static_cast<TPDArray*>(dict.LookUp("A"))->GetLength(), 2u)
      << "arrays inside a cloned dictionary share their body";

  TPDArray source(nullptr, 4, 0);
  source.Add(std::make_unique<TPDName>("X"));
  TPDArray copy;
  copy.Assign(source);
  copy.Add(std::make_unique<TPDNull>());
  EXPECT_EQ(source.GetLength(), 1u);
  EXPECT_EQ(copy.GetObjNumber(), 4u);
}

TEST(PdfObjects, StreamCloneSharesDataAndCopiesTheDictionary) {
  auto dict = std::make_unique<TPDDictionary>();
  dict->Add("Type", std::make_unique<TPDName>("XObject"));
  auto data = std::make_shared<TMemoryStream>(std::string("hello"));
  TPDStream stream(data, std::move(dict), 9, 0);
  auto clone = stream.Clone();
  auto& copy = static_cast<TPDStream&>(*clone);
  EXPECT_EQ(copy.GetStream(), stream.GetStream());
  EXPECT_NE(copy.GetDict(), stream.GetDict());
  EXPECT_TRUE(copy.Isof("XObject"));
  EXPECT_EQ(copy.GetObjNumber(), 9u);
  EXPECT_EQ(data.use_count(), 3);
  std::string text;
  copy.Reset();
  copy.Read(text, 100);
  EXPECT_EQ(text, "hello");
  auto sub = stream.MakeSubStream(1, 3, true, nullptr);
  ASSERT_NE(sub, nullptr);
  sub->Read(text, 100);
  EXPECT_EQ(text, "ell");
}

TEST(PdfObjects, IndirectRefsAreCollectedRecursively) {
  TPDDictionary dict;
  auto array = std::make_unique<TPDArray>();
  array->Add(std::make_unique<TPDIndirectRef>(1, 0));
  auto nested = std::make_unique<TPDDictionary>();
  nested->Add("B", std::make_unique<TPDIndirectRef>(2, 0));
  array->Add(std::move(nested));
  dict.Add("A", std::move(array));
  dict.Add("C", std::make_unique<TPDIndirectRef>(3, 0));
  TPDRefList refs;
  dict.GetIndirectRefs(refs);
  ASSERT_EQ(refs.size(), 3u);
  EXPECT_EQ(refs[0]->GetObjNumber(), 1u);
  EXPECT_EQ(refs[2]->GetObjNumber(), 3u);
}

TEST(PdfCollection, GrowsByAQuarterAndRejectsMissingValues) {
  TPDCollection cache(nullptr, 8);
  EXPECT_EQ(cache.GetCapacity(), 8u);
  cache.Add(std::make_unique<TPDInteger>(1, 8, 0));
  EXPECT_EQ(cache.GetCapacity(), 10u);
  cache.Add(std::make_unique<TPDInteger>(2, 30, 0));
  EXPECT_EQ(cache.GetCapacity(), 33u);  // 10, 12, 15, 18, 22, 27, 33
  EXPECT_EQ(cache.GetObject(8)->GetNumber(), 1);
  EXPECT_EQ(cache.GetObject(9), nullptr);
  EXPECT_EQ(cache.GetObject(1000), nullptr);
  // Replacing an entry.
  cache.Add(std::make_unique<TPDInteger>(3, 8, 0));
  EXPECT_EQ(cache.GetObject(8)->GetNumber(), 3);
  // A hostile number does not size the vector.
  cache.Add(std::make_unique<TPDInteger>(4, 0xFFFFFFF0u, 0));
  EXPECT_EQ(cache.GetObject(0xFFFFFFF0u)->GetNumber(), 4);
  EXPECT_LT(cache.GetCapacity(), 100u);
  try {
    cache.Add(nullptr);
    FAIL() << "no exception";
  } catch (const EPDFEngineError& error) {
    EXPECT_STREQ(error.what(), "Invalid Object");
  }
}

}  // namespace
}  // namespace qp::pdf
