#include "pdf/render/pdf_function.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/pdf/render/colour_test_helpers.h"

namespace qp::pdf {
namespace {

using testing::MakeStream;
using testing::ParseObject;
using testing::TextDocument;

std::vector<double> Eval(const TPDFunction& function, std::vector<double> inputs) {
  TFuncValues in{};
  TFuncValues out{};
  std::copy(inputs.begin(), inputs.end(), in.begin());
  function.Transform(in, out);
  return {out.begin(), out.begin() + function.GetOutputSize()};
}

void ExpectValues(const std::vector<double>& actual, const std::vector<double>& expected,
                  const std::string& context) {
  ASSERT_EQ(actual.size(), expected.size()) << context;
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NEAR(actual[i], expected[i], 1e-9) << context << " output " << i;
  }
}

struct EvalCase {
  std::string dict;
  std::vector<double> input;
  std::vector<double> expected;
};

TEST(ExponentialFunction, Evaluates) {
  const EvalCase cases[] = {
      {"<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0] /C1 [1 0.5 0] /N 1 >>", {0.5}, {0.5, 0.25, 0}},
      {"<< /FunctionType 2 /Domain [0 1] /N 2 >>", {0.5}, {0.25}},
      // Input clamped to the Domain, output to the Range.
      {"<< /FunctionType 2 /Domain [0 1] /N 1 >>", {7}, {1}},
      {"<< /FunctionType 2 /Domain [0 1] /Range [0 0.4] /C0 [0] /C1 [1] /N 1 >>", {0.9}, {0.4}},
      // A C0 that is not an array stands for the single value 0.
      {"<< /FunctionType 2 /Domain [0 1] /C0 5 /C1 [2] /N 1 >>", {0.5}, {1}},
      {"<< /FunctionType 2 /Domain [0 1] /C0 [1 1] /C1 [0 0] /N 0.5 >>", {0.25}, {0.5, 0.5}},
  };
  for (const EvalCase& c : cases) {
    TPDObjectPtr object = ParseObject(c.dict);
    TPDFunctionPtr function = TPDFunction::MakeFunction(object.get());
    ASSERT_TRUE(function) << c.dict;
    EXPECT_EQ(function->GetType(), 2);
    ExpectValues(Eval(*function, c.input), c.expected, c.dict);
  }
}

TEST(MakeFunction, RejectsMalformedDefinitions) {
  const char* const cases[] = {
      "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] >>",                // no N
      "<< /FunctionType 2 /Domain [0 1 0 1] /N 1 >>",                       // two inputs
      "<< /FunctionType 2 /Domain [0 (x)] /N 1 >>",                         // Domain not numbers
      "<< /FunctionType 2 /Domain [0 1] /Range [0 1 0 1] /C0 [0] /N 1 >>",  // C0 ≠ Range
      "<< /FunctionType 2 /Domain [0 1] /C0 [0 0] /C1 [1] /N 1 >>",         // C1 ≠ C0
      "<< /FunctionType 2 /Domain [0 1] /C0 [0 /a] /C1 [1 1] /N 1 >>",      // C0 not numbers
      "<< /FunctionType 2 /N 1 >>",                                         // no Domain
      "<< /FunctionType /Two /Domain [0 1] /N 1 >>",                        // type not a number
      "<< /FunctionType 5 /Domain [0 1] /N 1 >>",                           // unknown type
      "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 8 >>",  // no stream
      "<< /FunctionType 3 /Domain [0 1] /Functions [] /Bounds [] /Encode [] >>",
      "<< /FunctionType 3 /Domain [0 1] /Functions [<< /FunctionType 2 /Domain [0 1] /N 1 >>] "
      "/Bounds [0.5] /Encode [0 1] >>",  // bounds count
      "<< /FunctionType 3 /Domain [0 1] /Functions [<< /FunctionType 2 /Domain [0 1] >>] "
      "/Bounds [] /Encode [0 1] >>",  // broken sub-function
      "/NotIdentity",
      "42",
  };
  for (const char* text : cases) {
    TPDObjectPtr object = ParseObject(text);
    EXPECT_FALSE(TPDFunction::MakeFunction(object.get())) << text;
  }
}

TEST(IdentityFunction, PassesInputsThrough) {
  TPDObjectPtr name = ParseObject("/Identity");
  TPDFunctionPtr function = TPDFunction::MakeFunction(name.get());
  ASSERT_TRUE(function);
  EXPECT_EQ(function->GetType(), TPDFunction::kTypeIdentity);
  const std::vector<double> out = Eval(*function, {0.25, -3, 1e6});
  EXPECT_EQ(out[0], 0.25);
  EXPECT_EQ(out[1], -3);
  EXPECT_EQ(out[2], 1e6);
}

TEST(StitchingFunction, SelectsSubdomainAndEncodes) {
  const std::string dict =
      "<< /FunctionType 3 /Domain [0 1] /Bounds [0.5] /Encode [0 1 1 0] /Functions ["
      "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >>"
      "<< /FunctionType 2 /Domain [0 1] /C0 [10] /C1 [20] /N 1 >> ] >>";
  TPDObjectPtr object = ParseObject(dict);
  TPDFunctionPtr function = TPDFunction::MakeFunction(object.get());
  ASSERT_TRUE(function);
  const struct {
    double input, expected;
  } cases[] = {
      {0, 0},     {0.25, 0.5}, {0.49, 0.98},
      {0.5, 20},  // a bound belongs to the upper subdomain; Encode [1 0] reverses it
      {0.75, 15}, {1, 10},     {-4, 0},  // clamped to the Domain
      {9, 10},
  };
  for (const auto& c : cases) {
    ExpectValues(Eval(*function, {c.input}), {c.expected}, std::to_string(c.input));
  }
}

TEST(StitchingFunction, BoundsSelfReferenceAndFanOut) {
  TextDocument document;
  // A stitching function that lists itself.
  document.Add(1,
               "<< /FunctionType 3 /Domain [0 1] /Bounds [] /Encode [0 1] /Functions [1 0 R] >>");
  // Each level lists the next one 16 times: 16^20 functions if unbounded.
  std::string encode;
  for (int i = 0; i < 16; ++i) encode += "0 1 ";
  for (uint32_t level = 2; level < 22; ++level) {
    std::string list;
    for (int i = 0; i < 16; ++i) list += std::to_string(level + 1) + " 0 R ";
    document.Add(level,
                 "<< /FunctionType 3 /Domain [0 1] /Bounds [0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9 "
                 "0.91 0.92 0.93 0.94 0.95 0.96] /Encode [" +
                     encode + "] /Functions [" + list + "] >>");
  }
  document.Add(22, "<< /FunctionType 2 /Domain [0 1] /N 1 >>");
  TPDObjectPtr self = document.Parse("1 0 R");
  EXPECT_FALSE(TPDFunction::MakeFunction(self.get(), &document));
  TPDObjectPtr fan = document.Parse("2 0 R");
  EXPECT_FALSE(TPDFunction::MakeFunction(fan.get(), &document));
  // Within the limits the same structure builds.
  TPDObjectPtr shallow = document.Parse("21 0 R");
  TPDFunctionPtr function = TPDFunction::MakeFunction(shallow.get(), &document);
  ASSERT_TRUE(function);
  ExpectValues(Eval(*function, {0.05}), {0.5}, "one level of stitching");
}

struct SampledCase {
  std::string name;
  std::string dict;
  std::string data;
  std::vector<double> input;
  std::vector<double> expected;
};

TEST(SampledFunction, InterpolatesSamples) {
  const SampledCase cases[] = {
      {"8-bit linear",
       "<< /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 8 >>",
       std::string("\x00\xff", 2),
       {0.25},
       {0.25}},
      {"8-bit upper edge",
       "<< /Domain [0 1] /Range [0 1] /Size [3] /BitsPerSample 8 >>",
       std::string("\x00\x33\xff", 3),
       {1},
       {1}},
      {"Encode reversed",
       "<< /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 8 "
       "/Encode [1 0] >>",
       std::string("\x00\xff", 2),
       {0.25},
       {0.75}},
      {"Decode",
       "<< /Domain [0 1] /Range [0 10] /Decode [2 4] /Size [2] /BitsPerSample 8 >>",
       std::string("\x00\xff", 2),
       {0.5},
       {3}},
      {"Range clamps",
       "<< /Domain [0 1] /Range [0 0.5] /Decode [0 1] /Size [2] /BitsPerSample 8 >>",
       std::string("\x00\xff", 2),
       {0.75},
       {0.5}},
      {"4-bit packed",
       "<< /Domain [0 3] /Range [0 1] /Size [4] /BitsPerSample 4 >>",
       std::string("\x0f\xf0", 2),
       {1.5},
       {1}},
      {"4-bit packed low",
       "<< /Domain [0 3] /Range [0 1] /Size [4] /BitsPerSample 4 >>",
       std::string("\x0f\xf0", 2),
       {2.5},
       {0.5}},
      {"12-bit",
       "<< /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 12 >>",
       std::string("\x00\x0f\xff", 3),
       {1},
       {1.0 * 0xfff / 0xfff}},
      {"12-bit first",
       "<< /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 12 >>",
       std::string("\x80\x0f\xff", 3),
       {0},
       {2048.0 / 4095}},
      {"16-bit",
       "<< /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 16 >>",
       std::string("\x00\x00\x80\x00", 4),
       {1},
       {32768.0 / 65535}},
      {"32-bit",
       "<< /Domain [0 1] /Range [0 1] /Size [1] /BitsPerSample 32 >>",
       std::string("\xff\xff\xff\xff", 4),
       {0.3},
       {1}},
      {"two outputs",
       "<< /Domain [0 1] /Range [0 1 0 1] /Size [2] /BitsPerSample 8 >>",
       std::string("\x00\xff\xff\x00", 4),
       {0.5},
       {0.5, 0.5}},
      // Samples (0,0)=0 (1,0)=255 (0,1)=0 (1,1)=0, first input varying fastest.
      {"bilinear",
       "<< /Domain [0 1 0 1] /Range [0 1] /Size [2 2] /BitsPerSample 8 >>",
       std::string("\x00\xff\x00\x00", 4),
       {0.5, 0.5},
       {0.25}},
      {"bilinear edge",
       "<< /Domain [0 1 0 1] /Range [0 1] /Size [2 2] /BitsPerSample 8 >>",
       std::string("\x00\xff\x00\x00", 4),
       {1, 0},
       {1}},
      // Samples past the end of the data read as 0.
      {"short data",
       "<< /Domain [0 1] /Range [0 1] /Size [3] /BitsPerSample 8 >>",
       std::string("\xff\xff", 2),
       {1},
       {0}},
      {"zero-width Domain",
       "<< /Domain [1 1] /Range [0 1] /Size [2] /BitsPerSample 8 >>",
       std::string("\x80\xff", 2),
       {1},
       {128.0 / 255}},
  };
  for (const SampledCase& c : cases) {
    std::string dict = c.dict;
    dict.insert(2, " /FunctionType 0 ");
    auto stream = MakeStream(dict, c.data);
    ASSERT_TRUE(stream) << c.name;
    TPDFunctionPtr function = TPDFunction::MakeFunction(stream.get());
    ASSERT_TRUE(function) << c.name;
    ExpectValues(Eval(*function, c.input), c.expected, c.name);
  }
}

TEST(SampledFunction, RejectsBadParametersWithoutAllocating) {
  const char* const cases[] = {
      "<< /FunctionType 0 /Domain [0 1] /Size [2] /BitsPerSample 8 >>",                 // no Range
      "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 7 >>",    // bits
      "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [0] /BitsPerSample 8 >>",    // size 0
      "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2 2] /BitsPerSample 8 >>",  // count
      "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] >>",                     // no bits
      "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 8 "
      "/Encode [0] >>",
      // Far more samples than any table may hold.
      "<< /FunctionType 0 /Domain [0 1 0 1 0 1] /Range [0 1] /Size [65535 65535 65535] "
      "/BitsPerSample 32 >>",
      "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [1e300] /BitsPerSample 8 >>",
      "<< /FunctionType 0 /Domain [0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 "
      "1 0 1] /Range [0 1] /Size [1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1] /BitsPerSample 8 >>",
  };
  for (const char* dict : cases) {
    auto stream = MakeStream(dict, std::string(16, '\x7f'));
    ASSERT_TRUE(stream) << dict;
    EXPECT_FALSE(TPDFunction::MakeFunction(stream.get())) << dict;
  }
}

struct CalcCase {
  std::string program;
  std::vector<double> input;
  std::vector<double> expected;
};

std::vector<double> RunCalculator(const std::string& program, const std::vector<double>& input,
                                  size_t outputs, bool* built) {
  std::string domain, range;
  for (size_t i = 0; i < std::max<size_t>(input.size(), 1); ++i) domain += "-1000 1000 ";
  for (size_t i = 0; i < outputs; ++i) range += "-100000 100000 ";
  auto stream =
      MakeStream("<< /FunctionType 4 /Domain [" + domain + "] /Range [" + range + "] >>", program);
  TPDFunctionPtr function = TPDFunction::MakeFunction(stream.get());
  *built = function != nullptr;
  if (!function) return {};
  return Eval(*function, input);
}

TEST(PostScriptFunction, EveryOperator) {
  const CalcCase cases[] = {
      {"{ 3 4 add }", {0}, {7}},
      {"{ pop 2.5 -1 add }", {0}, {1.5}},
      {"{ 10 4 sub }", {0}, {6}},
      {"{ 6 7 mul }", {0}, {42}},
      {"{ 7 2 div }", {0}, {3.5}},
      {"{ 7 2 idiv -7 2 idiv }", {0}, {3, -3}},
      {"{ 7 3 mod -7 3 mod }", {0}, {1, -1}},
      {"{ -4 abs -2.5 abs }", {0}, {4, 2.5}},
      {"{ 3 neg -1.5 neg }", {0}, {-3, 1.5}},
      {"{ 1.2 ceiling -1.2 ceiling }", {0}, {2, -1}},
      {"{ 1.8 floor -1.2 floor }", {0}, {1, -2}},
      {"{ 2.5 round -2.5 round 3.4 round }", {0}, {3, -2, 3}},
      {"{ 2.7 truncate -2.7 truncate }", {0}, {2, -2}},
      {"{ 2.9 cvi -2.9 cvi }", {0}, {2, -2}},
      {"{ 3 cvr 2 div }", {0}, {1.5}},
      {"{ 16 sqrt }", {0}, {4}},
      {"{ 30 sin 60 cos }", {0}, {0.5, 0.5}},
      {"{ 1 1 atan 0 -1 atan -1 0 atan }", {0}, {45, 180, 270}},
      {"{ 2 10 exp }", {0}, {1024}},
      {"{ 100 log 1 ln }", {0}, {2, 0}},
      {"{ 1 4 bitshift 256 -4 bitshift }", {0}, {16, 16}},
      {"{ 12 10 and 12 10 or 12 10 xor }", {0}, {8, 14, 6}},
      {"{ 0 not }", {0}, {-1}},
      {"{ 2 2.0 eq { 1 } { 0 } ifelse }", {0}, {1}},
      {"{ true false ne { 1 } { 0 } ifelse }", {0}, {1}},
      {"{ 1 2 ge { 1 } { 0 } ifelse 2 2 ge { 1 } { 0 } ifelse }", {0}, {0, 1}},
      {"{ 3 2 gt { 1 } { 0 } ifelse 2 2 gt { 1 } { 0 } ifelse }", {0}, {1, 0}},
      {"{ 1 2 le { 1 } { 0 } ifelse 1 2 lt { 1 } { 0 } ifelse }", {0}, {1, 1}},
      {"{ true false and { 1 } { 0 } ifelse true false or { 1 } { 0 } ifelse }", {0}, {0, 1}},
      {"{ true true xor { 1 } { 0 } ifelse false not { 1 } { 0 } ifelse }", {0}, {0, 1}},
      {"{ 5 exch }", {1}, {5, 1}},
      {"{ dup mul }", {3}, {9}},
      {"{ 2 copy add }", {1, 2}, {1, 2, 3}},
      {"{ 2 index }", {1, 2, 3}, {1, 2, 3, 1}},
      {"{ 3 1 roll }", {1, 2, 3}, {3, 1, 2}},
      {"{ 3 -1 roll }", {1, 2, 3}, {2, 3, 1}},
      {"{ 3 7 roll }", {1, 2, 3}, {3, 1, 2}},
      {"{ pop }", {1, 2}, {1}},
      {"{ 0.5 gt { 1 } if }", {0.7}, {1}},
      {"{ dup 0.5 gt { pop 1 } if }", {0.2}, {0.2}},
      {"{ dup 0.5 lt { pop 0 } { 1 sub } ifelse }", {0.75}, {-0.25}},
      // Nested conditionals.
      {"{ dup 0 gt { dup 1 gt { pop 2 } { pop 1 } ifelse } { pop 0 } ifelse }", {5}, {2}},
      {"{ dup 0 gt { dup 1 gt { pop 2 } { pop 1 } ifelse } { pop 0 } ifelse }", {0.5}, {1}},
      {"{ dup 0 gt { dup 1 gt { pop 2 } { pop 1 } ifelse } { pop 0 } ifelse }", {-1}, {0}},
      // Numbers in radix and exponent form, comments, integer overflow to real.
      {"{ 16#FF 1.5e2 % a comment\n add }", {0}, {405}},
      {"{ 2147483647 1 add 2147483648 sub }", {0}, {0}},
      // The top values are the outputs.
      {"{ 1 2 3 }", {0}, {2, 3}},
  };
  for (const CalcCase& c : cases) {
    bool built = false;
    // The input is on the stack below the program's values.
    const std::vector<double> out = RunCalculator(c.program, c.input, c.expected.size(), &built);
    ASSERT_TRUE(built) << c.program;
    ExpectValues(out, c.expected, c.program);
  }
}

TEST(PostScriptFunction, RuntimeErrorsGiveZeros) {
  const char* const cases[] = {
      "{ pop pop }",     // underflow
      "{ true 1 add }",  // type
      "{ 1 0 div }",     // division by zero
      "{ 1 0 idiv }",    //
      "{ 1.5 2 mod }",   // mod of a real
      "{ -1 sqrt }",     //
      "{ 0 ln }",        //
      "{ 1e30 cvi }",    // out of integer range
      "{ 5 index }",     // beyond the stack
      "{ 5 1 roll }",    //
      "{ 1 { 2 } if }",  // not a boolean
      "{ 0 0 atan }",    //
  };
  for (const char* program : cases) {
    bool built = false;
    const std::vector<double> out = RunCalculator(program, {0.5}, 1, &built);
    ASSERT_TRUE(built) << program;
    ExpectValues(out, {0}, program);
  }
  // A stack that overflows: 100 entries fit, 101 do not.
  std::string fits = "{ ";
  for (int i = 0; i < 98; ++i) fits += "dup ";
  fits += "add }";
  bool built = false;
  ExpectValues(RunCalculator(fits, {3}, 1, &built), {6}, "99 entries");
  std::string overflows = "{ ";
  for (int i = 0; i < TPDPostScriptFunction::kStackSize; ++i) overflows += "dup ";
  overflows += "}";
  ExpectValues(RunCalculator(overflows, {3}, 1, &built), {0}, "101 entries");
}

TEST(PostScriptFunction, RejectsMalformedPrograms) {
  const char* const cases[] = {
      "",
      "3 4 add",
      "{ 3 4 add",
      "{ 3 4 add } }",
      "{ 3 foo }",
      "{ { 1 } }",
      "{ { 1 } 2 }",
      "{ true { 1 } { 2 } { 3 } ifelse }",
      "{ true { 1 } { 2 } if }",
      "{ ( 1 ) }",
      "{ 1.2.3 }",
      "{ 1e }",
      "{ 37#1 }",
      "{ /x }",
  };
  for (const char* program : cases) {
    bool built = true;
    RunCalculator(program, {0}, 1, &built);
    EXPECT_FALSE(built) << program;
  }
  // Nesting of procedures is bounded.
  const auto nested = [](int depth) {
    std::string program = "{ ";
    for (int i = 1; i < depth; ++i) program += "true { ";
    program += "1";
    for (int i = 1; i < depth; ++i) program += " } if";
    return program + " }";
  };
  bool built = false;
  ExpectValues(RunCalculator(nested(TPDPostScriptFunction::kMaxNesting), {0}, 1, &built), {1},
               "deepest nesting");
  RunCalculator(nested(TPDPostScriptFunction::kMaxNesting + 1), {0}, 1, &built);
  EXPECT_FALSE(built);
  // So is the length of the compiled program.
  std::string longProgram = "{ ";
  for (size_t i = 0; i <= TPDPostScriptFunction::kMaxCode; ++i) longProgram += "1 pop ";
  RunCalculator(longProgram + "}", {0}, 1, &built);
  EXPECT_FALSE(built);
}

}  // namespace
}  // namespace qp::pdf
