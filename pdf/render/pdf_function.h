#pragma once
// PDF functions: sampled (type 0), exponential (2), stitching (3),
// PostScript calculator (4) and the identity. Used as tint transforms of
// Separation and DeviceN colour spaces.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pdf/core/pdf_objects.h"

namespace qp::pdf {

inline constexpr int kMaxFuncValues = 32;
using TFuncValues = std::array<double, kMaxFuncValues>;

class TPDFunction;
using TPDFunctionPtr = std::unique_ptr<TPDFunction>;

// Limits of one MakeFunction call, shared by every nested function it builds.
struct TFunctionBuildLimits {
  int max_depth = 8;                         // stitching nesting
  int max_functions = 256;                   // functions built in all
  uint64_t max_samples = uint64_t{1} << 22;  // sampled values in all
};

class TPDFunction {
 public:
  static constexpr int kTypeIdentity = -1;

  virtual ~TPDFunction() = default;
  TPDFunction(const TPDFunction&) = delete;
  TPDFunction& operator=(const TPDFunction&) = delete;

  // Builds the function of a stream or dictionary (by its FunctionType) or
  // the name Identity; nothing when it is of another kind or cannot be built.
  static TPDFunctionPtr MakeFunction(TPDBaseObject* funcObj, TPDObjectResolver* document = nullptr,
                                     const TFunctionBuildLimits& limits = {});

  // Clamps the inputs to the Domain, evaluates, clamps the outputs to the
  // Range when there is one. Entries beyond the output count are left as
  // they were.
  void Transform(const TFuncValues& input, TFuncValues& output) const;

  bool IsOk() const { return ok_; }
  virtual int GetType() const = 0;
  int GetInputSize() const { return m_; }
  int GetOutputSize() const { return n_; }
  double GetDomainMin(int i) const { return domain_[2 * i]; }
  double GetDomainMax(int i) const { return domain_[2 * i + 1]; }
  double GetRangeMin(int i) const { return range_[2 * i]; }
  double GetRangeMax(int i) const { return range_[2 * i + 1]; }
  bool HasRange() const { return has_range_; }

 protected:
  struct BuildContext;
  TPDFunction() = default;

  // Reads Domain and Range; false when either holds something not a number.
  bool ReadDomainAndRange(const TPDDictionary& dict);
  // Inputs already clamped; writes the first GetOutputSize() outputs.
  virtual void Evaluate(const double* input, double* output) const = 0;

  static TPDFunctionPtr Build(TPDBaseObject* funcObj, BuildContext& context);

  int m_ = 0;
  int n_ = 0;
  std::array<double, 2 * kMaxFuncValues> domain_{};
  std::array<double, 2 * kMaxFuncValues> range_{};
  bool has_range_ = false;
  bool ok_ = false;

  friend class TPDStitchingFunction;
};

class TPDIdentityFunction final : public TPDFunction {
 public:
  TPDIdentityFunction();
  int GetType() const override { return kTypeIdentity; }

 protected:
  void Evaluate(const double* input, double* output) const override;
};

class TPDSampledFunction final : public TPDFunction {
 public:
  TPDSampledFunction(TPDStream& stream, BuildContext& context);
  int GetType() const override { return 0; }

 protected:
  void Evaluate(const double* input, double* output) const override;

 private:
  static constexpr int kMaxInputs = 16;
  bool ReadSamples(TPDStream& stream, uint64_t count, BuildContext& context);
  double Sample(uint64_t index) const { return index < samples_.size() ? samples_[index] : 0.0; }

  int bits_ = 0;
  std::array<uint32_t, kMaxInputs> size_{};
  std::array<uint64_t, kMaxInputs> stride_{};
  std::array<double, 2 * kMaxInputs> encode_{};
  std::array<double, 2 * kMaxFuncValues> decode_{};
  // Samples normalised to 0 … 1; indices past the data read as 0.
  std::vector<double> samples_;
};

class TPDExponentialFunction final : public TPDFunction {
 public:
  explicit TPDExponentialFunction(const TPDDictionary& dict);
  int GetType() const override { return 2; }

 protected:
  void Evaluate(const double* input, double* output) const override;

 private:
  TFuncValues c0_{};
  TFuncValues c1_{};
  double exponent_ = 1.0;
};

class TPDStitchingFunction final : public TPDFunction {
 public:
  TPDStitchingFunction(const TPDDictionary& dict, BuildContext& context);
  int GetType() const override { return 3; }

 protected:
  void Evaluate(const double* input, double* output) const override;

 private:
  std::vector<TPDFunctionPtr> functions_;
  std::vector<double> bounds_;
  std::vector<double> encode_;
};

// A compiled calculator program: operators with their operands inline and
// jump offsets for the conditionals.
struct TPSProgram;

class TPDPostScriptFunction final : public TPDFunction {
 public:
  // Bounds of a program: operand stack depth, brace nesting, code length.
  static constexpr int kStackSize = 100;
  static constexpr int kMaxNesting = 64;
  static constexpr size_t kMaxCode = 65536;

  TPDPostScriptFunction(TPDStream& stream, BuildContext& context);
  ~TPDPostScriptFunction() override;
  int GetType() const override { return 4; }

 protected:
  void Evaluate(const double* input, double* output) const override;

 private:
  std::unique_ptr<TPSProgram> program_;
};

}  // namespace qp::pdf
