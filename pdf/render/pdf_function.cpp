#include "pdf/render/pdf_function.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "pdf/render/pdf_function_build.h"

namespace qp::pdf {
namespace {

// x limited to lo … hi; NaN becomes lo. Safe when lo > hi (gives hi).
double ClampTo(double x, double lo, double hi) {
  if (!(x >= lo)) x = lo;
  return x > hi ? hi : x;
}

TPDBaseObject* Resolved(TPDBaseObject* object, TPDObjectResolver* document) {
  return ResolveObject(object, document);
}

}  // namespace

bool ReadNumbers(TPDBaseObject* object, std::vector<double>& out, size_t maxCount) {
  out.clear();
  if (object == nullptr || !object->IsArray()) return false;
  const auto& array = static_cast<const TPDArray&>(*object);
  const size_t count = std::min(array.GetLength(), maxCount);
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const TPDBaseObject* element = array.Get(i);
    if (element == nullptr || !element->IsNumber()) return false;
    out.push_back(element->GetNumber());
  }
  return true;
}

// ---- base

bool TPDFunction::ReadDomainAndRange(const TPDDictionary& dict) {
  std::vector<double> values;
  if (!ReadNumbers(dict.LookUp("Domain"), values, 2 * kMaxFuncValues)) return false;
  m_ = static_cast<int>(values.size() / 2);
  if (m_ == 0) return false;
  std::copy(values.begin(), values.begin() + 2 * m_, domain_.begin());

  TPDBaseObject* range = dict.LookUp("Range");
  if (range != nullptr && range->IsArray()) {
    if (!ReadNumbers(range, values, 2 * kMaxFuncValues)) return false;
    n_ = static_cast<int>(values.size() / 2);
    std::copy(values.begin(), values.begin() + 2 * n_, range_.begin());
    has_range_ = true;
  }
  return true;
}

void TPDFunction::Transform(const TFuncValues& input, TFuncValues& output) const {
  double in[kMaxFuncValues];
  for (int i = 0; i < m_; ++i) in[i] = ClampTo(input[i], domain_[2 * i], domain_[2 * i + 1]);
  Evaluate(in, output.data());
  if (has_range_) {
    for (int i = 0; i < n_; ++i) output[i] = ClampTo(output[i], range_[2 * i], range_[2 * i + 1]);
  }
}

TPDFunctionPtr TPDFunction::MakeFunction(TPDBaseObject* funcObj, TPDObjectResolver* document,
                                         const TFunctionBuildLimits& limits) {
  BuildContext context;
  context.document = document;
  context.limits = limits;
  return Build(funcObj, context);
}

TPDFunctionPtr TPDFunction::Build(TPDBaseObject* funcObj, BuildContext& context) {
  funcObj = Resolved(funcObj, context.document);
  if (funcObj == nullptr) return nullptr;
  if (funcObj->IsName("Identity")) return std::make_unique<TPDIdentityFunction>();
  if (++context.functions > context.limits.max_functions) return nullptr;

  TPDStream* stream = funcObj->IsStream() ? static_cast<TPDStream*>(funcObj) : nullptr;
  const TPDDictionary* dict = stream              ? stream->GetDict()
                              : funcObj->IsDict() ? static_cast<TPDDictionary*>(funcObj)
                                                  : nullptr;
  if (dict == nullptr) return nullptr;
  const TPDBaseObject* type = Resolved(dict->LookUp("FunctionType"), context.document);
  if (type == nullptr || !type->IsNumber()) return nullptr;

  TPDFunctionPtr function;
  const double typeNumber = type->GetNumber();
  if (typeNumber == 0 && stream) {
    function = std::make_unique<TPDSampledFunction>(*stream, context);
  } else if (typeNumber == 2) {
    function = std::make_unique<TPDExponentialFunction>(*dict);
  } else if (typeNumber == 3) {
    function = std::make_unique<TPDStitchingFunction>(*dict, context);
  } else if (typeNumber == 4 && stream) {
    function = std::make_unique<TPDPostScriptFunction>(*stream, context);
  }
  if (!function || !function->IsOk()) return nullptr;
  return function;
}

// ---- identity

TPDIdentityFunction::TPDIdentityFunction() {
  m_ = n_ = kMaxFuncValues;
  for (int i = 0; i < kMaxFuncValues; ++i) {
    domain_[2 * i] = std::numeric_limits<double>::lowest();
    domain_[2 * i + 1] = std::numeric_limits<double>::max();
  }
  ok_ = true;
}

void TPDIdentityFunction::Evaluate(const double* input, double* output) const {
  std::copy(input, input + kMaxFuncValues, output);
}

// ---- exponential

TPDExponentialFunction::TPDExponentialFunction(const TPDDictionary& dict) {
  if (!ReadDomainAndRange(dict) || m_ != 1) return;
  const TPDBaseObject* exponent = dict.LookUp("N");
  if (exponent == nullptr || !exponent->IsNumber()) return;
  exponent_ = exponent->GetNumber();

  // An absent C0 or C1 (or one that is not an array) is the single value 0 or 1.
  std::vector<double> c0{0.0};
  std::vector<double> c1{1.0};
  TPDBaseObject* c0Object = dict.LookUp("C0");
  TPDBaseObject* c1Object = dict.LookUp("C1");
  if (c0Object && c0Object->IsArray() && !ReadNumbers(c0Object, c0, kMaxFuncValues)) return;
  if (c1Object && c1Object->IsArray() && !ReadNumbers(c1Object, c1, kMaxFuncValues)) return;
  if (!has_range_) n_ = static_cast<int>(c0.size());
  if (n_ == 0 || c0.size() != static_cast<size_t>(n_) || c1.size() != c0.size()) return;
  std::copy(c0.begin(), c0.end(), c0_.begin());
  std::copy(c1.begin(), c1.end(), c1_.begin());
  ok_ = true;
}

void TPDExponentialFunction::Evaluate(const double* input, double* output) const {
  const double power = exponent_ == 1.0 ? input[0] : std::pow(input[0], exponent_);
  for (int i = 0; i < n_; ++i) output[i] = c0_[i] + power * (c1_[i] - c0_[i]);
}

// ---- stitching

TPDStitchingFunction::TPDStitchingFunction(const TPDDictionary& dict, BuildContext& context) {
  if (!ReadDomainAndRange(dict) || m_ != 1) return;
  if (context.depth >= context.limits.max_depth) return;
  TPDBaseObject* list = Resolved(dict.LookUp("Functions"), context.document);
  if (list == nullptr || !list->IsArray()) return;
  const auto& array = static_cast<const TPDArray&>(*list);
  const size_t k = array.GetLength();
  if (k == 0 || k > static_cast<size_t>(context.limits.max_functions)) return;

  ++context.depth;
  for (size_t i = 0; i < k; ++i) {
    TPDFunctionPtr function = Build(array.Get(i), context);
    if (!function) break;
    functions_.push_back(std::move(function));
  }
  --context.depth;
  if (functions_.size() != k) return;

  if (!ReadNumbers(dict.LookUp("Bounds"), bounds_, k) || bounds_.size() != k - 1) return;
  if (!ReadNumbers(dict.LookUp("Encode"), encode_, 2 * k + 1) || encode_.size() != 2 * k) return;
  if (!has_range_) n_ = functions_[0]->GetOutputSize();
  ok_ = true;
}

void TPDStitchingFunction::Evaluate(const double* input, double* output) const {
  const double x = input[0];
  const size_t k = functions_.size();
  size_t i = 0;
  while (i + 1 < k && !(x < bounds_[i])) ++i;
  const double low = i == 0 ? domain_[0] : bounds_[i - 1];
  const double high = i + 1 == k ? domain_[1] : bounds_[i];
  const double e0 = encode_[2 * i];
  const double e1 = encode_[2 * i + 1];

  TFuncValues in{};
  TFuncValues out{};
  in[0] = high == low ? e0 : e0 + (x - low) * (e1 - e0) / (high - low);
  functions_[i]->Transform(in, out);
  std::copy(out.begin(), out.begin() + n_, output);
}

}  // namespace qp::pdf
