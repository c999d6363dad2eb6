// PostScript calculator functions (type 4): the program text is tokenized
// and compiled once into a flat list of operations in which the procedures
// of `if` and `ifelse` become forward jumps; evaluation runs that list over
// a fixed-size operand stack. A program that does not compile makes the
// function invalid; an error while running (type mismatch, stack overflow or
// underflow, division by zero) gives all outputs 0 before range clamping.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string_view>

#include "pdf/core/pdf_errors.h"
#include "pdf/render/pdf_function.h"
#include "pdf/render/pdf_function_build.h"

namespace qp::pdf {

enum class TPSOpCode : uint8_t {
  kPush,
  kJump,         // forward by `target` operations
  kJumpIfFalse,  // pops a boolean
  kAbs,
  kAdd,
  kAtan,
  kCeiling,
  kCos,
  kCvi,
  kCvr,
  kDiv,
  kExp,
  kFloor,
  kIdiv,
  kLn,
  kLog,
  kMod,
  kMul,
  kNeg,
  kRound,
  kSin,
  kSqrt,
  kSub,
  kTruncate,
  kAnd,
  kBitshift,
  kEq,
  kGe,
  kGt,
  kLe,
  kLt,
  kNe,
  kNot,
  kOr,
  kXor,
  kCopy,
  kDup,
  kExch,
  kIndex,
  kPop,
  kRoll,
};

namespace {

struct PSValue {
  enum Kind : uint8_t { kInt, kReal, kBool };
  Kind kind = kInt;
  int32_t i = 0;  // integers and booleans
  double r = 0;   // reals

  static PSValue Int(int64_t v) {
    if (v < INT32_MIN || v > INT32_MAX) return Real(static_cast<double>(v));
    return {kInt, static_cast<int32_t>(v), 0};
  }
  static PSValue Real(double v) { return {kReal, 0, v}; }
  static PSValue Bool(bool v) { return {kBool, v ? 1 : 0, 0}; }
  bool IsNumber() const { return kind != kBool; }
  double Number() const { return kind == kReal ? r : i; }
};

struct NamedOp {
  std::string_view name;
  TPSOpCode code;
};

constexpr NamedOp kOperators[] = {
    {"abs", TPSOpCode::kAbs},
    {"add", TPSOpCode::kAdd},
    {"atan", TPSOpCode::kAtan},
    {"ceiling", TPSOpCode::kCeiling},
    {"cos", TPSOpCode::kCos},
    {"cvi", TPSOpCode::kCvi},
    {"cvr", TPSOpCode::kCvr},
    {"div", TPSOpCode::kDiv},
    {"exp", TPSOpCode::kExp},
    {"floor", TPSOpCode::kFloor},
    {"idiv", TPSOpCode::kIdiv},
    {"ln", TPSOpCode::kLn},
    {"log", TPSOpCode::kLog},
    {"mod", TPSOpCode::kMod},
    {"mul", TPSOpCode::kMul},
    {"neg", TPSOpCode::kNeg},
    {"round", TPSOpCode::kRound},
    {"sin", TPSOpCode::kSin},
    {"sqrt", TPSOpCode::kSqrt},
    {"sub", TPSOpCode::kSub},
    {"truncate", TPSOpCode::kTruncate},
    {"and", TPSOpCode::kAnd},
    {"bitshift", TPSOpCode::kBitshift},
    {"eq", TPSOpCode::kEq},
    {"ge", TPSOpCode::kGe},
    {"gt", TPSOpCode::kGt},
    {"le", TPSOpCode::kLe},
    {"lt", TPSOpCode::kLt},
    {"ne", TPSOpCode::kNe},
    {"not", TPSOpCode::kNot},
    {"or", TPSOpCode::kOr},
    {"xor", TPSOpCode::kXor},
    {"copy", TPSOpCode::kCopy},
    {"dup", TPSOpCode::kDup},
    {"exch", TPSOpCode::kExch},
    {"index", TPSOpCode::kIndex},
    {"pop", TPSOpCode::kPop},
    {"roll", TPSOpCode::kRoll},
};

bool IsWhite(uint8_t c) {
  return c == 0 || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}
bool IsDelimiter(uint8_t c) {
  return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' ||
         c == '}' || c == '/' || c == '%';
}

// Integers (with an optional radix such as 16#FF) and reals with an optional
// exponent; false for anything else.
bool ParseNumber(std::string_view text, PSValue& value) {
  size_t pos = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) ++pos;
  size_t digits = 0;
  while (pos + digits < text.size() && text[pos + digits] >= '0' && text[pos + digits] <= '9') {
    ++digits;
  }
  if (pos + digits == text.size() && digits > 0) {
    int64_t v = 0;
    for (size_t k = pos; k < text.size(); ++k) {
      v = v * 10 + (text[k] - '0');
      if (v > (int64_t{1} << 40)) return ParseNumber(std::string(text) + ".0", value);
    }
    value = PSValue::Int(negative ? -v : v);
    return true;
  }
  if (digits > 0 && pos == 0 && pos + digits < text.size() && text[digits] == '#') {
    const long radix = std::strtol(std::string(text.substr(0, digits)).c_str(), nullptr, 10);
    if (radix < 2 || radix > 36 || digits + 1 == text.size() || text.size() > 40) return false;
    uint64_t v = 0;
    for (size_t k = digits + 1; k < text.size(); ++k) {
      const char c = text[k];
      const int d = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'z' ? c - 'a' + 10
                    : c >= 'A' && c <= 'Z' ? c - 'A' + 10
                                           : 99;
      if (d >= radix) return false;
      v = (v * radix + d) & 0xFFFFFFFFu;
    }
    value = PSValue::Int(static_cast<int32_t>(static_cast<uint32_t>(v)));
    return true;
  }
  // A real: digits, a point, digits, an optional exponent.
  size_t k = pos + digits;
  size_t fraction = 0;
  if (k < text.size() && text[k] == '.') {
    ++k;
    while (k < text.size() && text[k] >= '0' && text[k] <= '9') ++k, ++fraction;
  }
  if (digits + fraction == 0) return false;
  if (k < text.size() && (text[k] == 'e' || text[k] == 'E')) {
    ++k;
    if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
    size_t exponent = 0;
    while (k < text.size() && text[k] >= '0' && text[k] <= '9') ++k, ++exponent;
    if (exponent == 0) return false;
  }
  if (k != text.size() || text.size() > 64) return false;
  value = PSValue::Real(std::strtod(std::string(text).c_str(), nullptr));
  return true;
}

}  // namespace

struct TPSOperation {
  TPSOpCode code;
  uint32_t target = 0;  // jump distance
  PSValue value;        // pushed literal
};

struct TPSProgram {
  std::vector<TPSOperation> code;
};

namespace {

class PSCompiler {
 public:
  explicit PSCompiler(std::string_view text) : text_(text) {}

  // The whole program: one procedure, then nothing but white space.
  bool Compile(std::vector<TPSOperation>& code) {
    std::string_view token;
    if (!Next(token) || token != "{") return false;
    if (!Procedure(code, 1)) return false;
    return !Next(token);
  }

 private:
  // Reads up to and including the closing brace of a procedure whose
  // opening brace has been read.
  bool Procedure(std::vector<TPSOperation>& code, int nesting) {
    if (nesting > TPDPostScriptFunction::kMaxNesting) return false;
    std::vector<TPSOperation> pending[2];
    int pendingCount = 0;
    std::string_view token;
    while (Next(token)) {
      if (token == "}") return pendingCount == 0;
      if (token == "{") {
        if (pendingCount == 2) return false;
        if (!Procedure(pending[pendingCount], nesting + 1)) return false;
        ++pendingCount;
        continue;
      }
      if (token == "if" || token == "ifelse") {
        const bool withElse = token == "ifelse";
        if (pendingCount != (withElse ? 2 : 1)) return false;
        std::vector<TPSOperation>& thenPart = pending[0];
        const uint32_t skipThen = static_cast<uint32_t>(thenPart.size()) + (withElse ? 1u : 0u);
        Emit(code, {TPSOpCode::kJumpIfFalse, skipThen, {}});
        for (const TPSOperation& op : thenPart) Emit(code, op);
        if (withElse) {
          Emit(code, {TPSOpCode::kJump, static_cast<uint32_t>(pending[1].size()), {}});
          for (const TPSOperation& op : pending[1]) Emit(code, op);
        }
        pending[0].clear();
        pending[1].clear();
        pendingCount = 0;
        if (!ok_) return false;
        continue;
      }
      if (pendingCount != 0) return false;
      TPSOperation op{TPSOpCode::kPush, 0, {}};
      if (token == "true" || token == "false") {
        op.value = PSValue::Bool(token == "true");
      } else if (!ParseNumber(token, op.value)) {
        const NamedOp* found = nullptr;
        for (const NamedOp& candidate : kOperators) {
          if (candidate.name == token) found = &candidate;
        }
        if (found == nullptr) return false;
        op.code = found->code;
      }
      Emit(code, op);
      if (!ok_) return false;
    }
    return false;  // end of text inside a procedure
  }

  void Emit(std::vector<TPSOperation>& code, const TPSOperation& op) {
    if (++emitted_ > TPDPostScriptFunction::kMaxCode) {
      ok_ = false;
      return;
    }
    code.push_back(op);
  }

  bool Next(std::string_view& token) {
    while (pos_ < text_.size()) {
      const auto c = static_cast<uint8_t>(text_[pos_]);
      if (IsWhite(c)) {
        ++pos_;
      } else if (c == '%') {
        while (pos_ < text_.size() && text_[pos_] != '\n' && text_[pos_] != '\r') ++pos_;
      } else {
        break;
      }
    }
    if (pos_ >= text_.size()) return false;
    const size_t start = pos_;
    if (text_[pos_] == '{' || text_[pos_] == '}') {
      ++pos_;
    } else {
      while (pos_ < text_.size() && !IsWhite(static_cast<uint8_t>(text_[pos_])) &&
             !IsDelimiter(static_cast<uint8_t>(text_[pos_]))) {
        ++pos_;
      }
      if (pos_ == start) ++pos_;  // a lone delimiter: a token that matches nothing
    }
    token = text_.substr(start, pos_ - start);
    return true;
  }

  std::string_view text_;
  size_t pos_ = 0;
  size_t emitted_ = 0;
  bool ok_ = true;
};

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

// Runs the program; false on any error.
bool Run(const std::vector<TPSOperation>& code, PSValue* stack, int& depth) {
  constexpr int kSize = TPDPostScriptFunction::kStackSize;
  const size_t end = code.size();
  for (size_t pc = 0; pc < end; ++pc) {
    const TPSOperation& op = code[pc];
    PSValue* top = stack + depth - 1;
    switch (op.code) {
      case TPSOpCode::kPush:
        if (depth == kSize) return false;
        stack[depth++] = op.value;
        break;
      case TPSOpCode::kJump:
        pc += op.target;
        break;
      case TPSOpCode::kJumpIfFalse:
        if (depth < 1 || top->kind != PSValue::kBool) return false;
        --depth;
        if (!top->i) pc += op.target;
        break;

      // One numeric operand.
      case TPSOpCode::kAbs:
      case TPSOpCode::kNeg:
      case TPSOpCode::kCeiling:
      case TPSOpCode::kFloor:
      case TPSOpCode::kRound:
      case TPSOpCode::kTruncate:
      case TPSOpCode::kCvi:
      case TPSOpCode::kCvr:
      case TPSOpCode::kSqrt:
      case TPSOpCode::kSin:
      case TPSOpCode::kCos:
      case TPSOpCode::kLn:
      case TPSOpCode::kLog: {
        if (depth < 1 || !top->IsNumber()) return false;
        const bool isInt = top->kind == PSValue::kInt;
        const double x = top->Number();
        switch (op.code) {
          case TPSOpCode::kAbs:
            *top = isInt ? PSValue::Int(std::abs(int64_t{top->i})) : PSValue::Real(std::fabs(x));
            break;
          case TPSOpCode::kNeg:
            *top = isInt ? PSValue::Int(-int64_t{top->i}) : PSValue::Real(-x);
            break;
          case TPSOpCode::kCeiling:
            if (!isInt) *top = PSValue::Real(std::ceil(x));
            break;
          case TPSOpCode::kFloor:
            if (!isInt) *top = PSValue::Real(std::floor(x));
            break;
          case TPSOpCode::kRound:  // halves go up
            if (!isInt) *top = PSValue::Real(std::floor(x + 0.5));
            break;
          case TPSOpCode::kTruncate:
            if (!isInt) *top = PSValue::Real(std::trunc(x));
            break;
          case TPSOpCode::kCvi: {
            const double t = std::trunc(x);
            if (!(t >= INT32_MIN && t <= INT32_MAX)) return false;
            *top = PSValue::Int(static_cast<int64_t>(t));
            break;
          }
          case TPSOpCode::kCvr:
            *top = PSValue::Real(x);
            break;
          case TPSOpCode::kSqrt:
            if (x < 0) return false;
            *top = PSValue::Real(std::sqrt(x));
            break;
          case TPSOpCode::kSin:
            *top = PSValue::Real(std::sin(x / kDegreesPerRadian));
            break;
          case TPSOpCode::kCos:
            *top = PSValue::Real(std::cos(x / kDegreesPerRadian));
            break;
          case TPSOpCode::kLn:
            if (!(x > 0)) return false;
            *top = PSValue::Real(std::log(x));
            break;
          case TPSOpCode::kLog:
            if (!(x > 0)) return false;
            *top = PSValue::Real(std::log10(x));
            break;
          default:
            break;
        }
        break;
      }

      // Two numeric operands.
      case TPSOpCode::kAdd:
      case TPSOpCode::kSub:
      case TPSOpCode::kMul:
      case TPSOpCode::kDiv:
      case TPSOpCode::kExp:
      case TPSOpCode::kAtan:
      case TPSOpCode::kGe:
      case TPSOpCode::kGt:
      case TPSOpCode::kLe:
      case TPSOpCode::kLt: {
        if (depth < 2) return false;
        PSValue& a = top[-1];
        const PSValue& b = *top;
        if (!a.IsNumber() || !b.IsNumber()) return false;
        const bool ints = a.kind == PSValue::kInt && b.kind == PSValue::kInt;
        const double x = a.Number();
        const double y = b.Number();
        switch (op.code) {
          case TPSOpCode::kAdd:
            a = ints ? PSValue::Int(int64_t{a.i} + b.i) : PSValue::Real(x + y);
            break;
          case TPSOpCode::kSub:
            a = ints ? PSValue::Int(int64_t{a.i} - b.i) : PSValue::Real(x - y);
            break;
          case TPSOpCode::kMul:
            a = ints ? PSValue::Int(int64_t{a.i} * b.i) : PSValue::Real(x * y);
            break;
          case TPSOpCode::kDiv:
            if (y == 0) return false;
            a = PSValue::Real(x / y);
            break;
          case TPSOpCode::kExp: {
            const double v = std::pow(x, y);
            if (!std::isfinite(v)) return false;
            a = PSValue::Real(v);
            break;
          }
          case TPSOpCode::kAtan: {  // degrees, 0 … 360
            if (x == 0 && y == 0) return false;
            double angle = std::atan2(x, y) * kDegreesPerRadian;
            if (angle < 0) angle += 360;
            a = PSValue::Real(angle);
            break;
          }
          case TPSOpCode::kGe:
            a = PSValue::Bool(x >= y);
            break;
          case TPSOpCode::kGt:
            a = PSValue::Bool(x > y);
            break;
          case TPSOpCode::kLe:
            a = PSValue::Bool(x <= y);
            break;
          case TPSOpCode::kLt:
            a = PSValue::Bool(x < y);
            break;
          default:
            break;
        }
        --depth;
        break;
      }

      // Two integer operands.
      case TPSOpCode::kIdiv:
      case TPSOpCode::kMod:
      case TPSOpCode::kBitshift: {
        if (depth < 2) return false;
        PSValue& a = top[-1];
        const PSValue& b = *top;
        if (a.kind != PSValue::kInt || b.kind != PSValue::kInt) return false;
        const int64_t x = a.i;
        const int64_t y = b.i;
        if (op.code == TPSOpCode::kBitshift) {
          const auto bits = static_cast<uint32_t>(a.i);
          const uint32_t shifted = y >= 32 || y <= -32 ? 0u : y >= 0 ? bits << y : bits >> -y;
          a = PSValue::Int(static_cast<int32_t>(shifted));
        } else {
          if (y == 0) return false;
          a = PSValue::Int(op.code == TPSOpCode::kIdiv ? x / y : x % y);
        }
        --depth;
        break;
      }

      case TPSOpCode::kEq:
      case TPSOpCode::kNe: {
        if (depth < 2) return false;
        PSValue& a = top[-1];
        const PSValue& b = *top;
        bool equal = false;
        if (a.IsNumber() && b.IsNumber()) {
          equal = a.Number() == b.Number();
        } else if (a.kind == PSValue::kBool && b.kind == PSValue::kBool) {
          equal = a.i == b.i;
        }
        a = PSValue::Bool(op.code == TPSOpCode::kEq ? equal : !equal);
        --depth;
        break;
      }

      case TPSOpCode::kAnd:
      case TPSOpCode::kOr:
      case TPSOpCode::kXor: {
        if (depth < 2) return false;
        PSValue& a = top[-1];
        const PSValue& b = *top;
        if (a.kind != b.kind || a.kind == PSValue::kReal) return false;
        const int32_t v = op.code == TPSOpCode::kAnd  ? (a.i & b.i)
                          : op.code == TPSOpCode::kOr ? (a.i | b.i)
                                                      : (a.i ^ b.i);
        a.i = v;
        --depth;
        break;
      }
      case TPSOpCode::kNot:
        if (depth < 1 || top->kind == PSValue::kReal) return false;
        top->i = top->kind == PSValue::kBool ? !top->i : ~top->i;
        break;

      // Stack operators.
      case TPSOpCode::kDup:
        if (depth < 1 || depth == kSize) return false;
        stack[depth] = *top;
        ++depth;
        break;
      case TPSOpCode::kExch:
        if (depth < 2) return false;
        std::swap(top[-1], *top);
        break;
      case TPSOpCode::kPop:
        if (depth < 1) return false;
        --depth;
        break;
      case TPSOpCode::kCopy: {
        if (depth < 1 || top->kind != PSValue::kInt) return false;
        const int32_t n = top->i;
        --depth;
        if (n < 0 || n > depth || depth + n > kSize) return false;
        for (int k = 0; k < n; ++k) stack[depth + k] = stack[depth - n + k];
        depth += n;
        break;
      }
      case TPSOpCode::kIndex: {
        if (depth < 1 || top->kind != PSValue::kInt) return false;
        const int32_t n = top->i;
        if (n < 0 || n >= depth - 1) return false;
        *top = stack[depth - 2 - n];
        break;
      }
      case TPSOpCode::kRoll: {
        if (depth < 2 || top[-1].kind != PSValue::kInt || top->kind != PSValue::kInt) {
          return false;
        }
        const int32_t n = top[-1].i;
        int64_t j = top->i;
        depth -= 2;
        if (n < 0 || n > depth) return false;
        if (n == 0) break;
        j %= n;
        if (j < 0) j += n;
        // Moving the top j elements of the n to the bottom of the n.
        PSValue* first = stack + depth - n;
        std::rotate(first, first + (n - j), first + n);
        break;
      }
    }
  }
  return true;
}

}  // namespace

TPDPostScriptFunction::TPDPostScriptFunction(TPDStream& stream, BuildContext&) {
  const TPDDictionary* dict = stream.GetDict();
  if (dict == nullptr || !ReadDomainAndRange(*dict) || !has_range_ || n_ == 0) return;
  // Every operation comes from at least two bytes of text, so the code
  // limit also bounds the text worth reading.
  std::string text;
  try {
    stream.Reset();
    stream.Read(text, 16 * kMaxCode);
  } catch (const EPDFEngineError&) {
    return;
  }
  program_ = std::make_unique<TPSProgram>();
  ok_ = PSCompiler(text).Compile(program_->code);
}

TPDPostScriptFunction::~TPDPostScriptFunction() = default;

void TPDPostScriptFunction::Evaluate(const double* input, double* output) const {
  PSValue stack[kStackSize];
  int depth = 0;
  for (int i = 0; i < m_ && depth < kStackSize; ++i) stack[depth++] = PSValue::Real(input[i]);
  const bool ran = Run(program_->code, stack, depth);
  const bool usable = ran && depth >= n_;
  for (int j = 0; j < n_; ++j) {
    const PSValue& value = usable ? stack[depth - n_ + j] : PSValue{};
    output[j] = value.IsNumber() ? value.Number() : 0.0;
  }
  if (usable) return;
  for (int j = 0; j < n_; ++j) output[j] = 0.0;
}

}  // namespace qp::pdf
