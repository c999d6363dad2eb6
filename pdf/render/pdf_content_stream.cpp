#include "pdf/render/pdf_content_stream.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "pdf/core/pdf_font.h"
#include "pdf/core/pdf_font_cache.h"
#include "pdf/core/pdf_lexer.h"
#include "pdf/core/pdf_memory_stream.h"
#include "pdf/core/pdf_parser.h"
#include "pdf/core/pdf_resource_cache.h"
#include "pdf/core/pdf_syntax.h"
#include "pdf/render/pdf_inline_image.h"
#include "pdf/render/pdf_optional_content.h"

namespace qp::pdf {

enum class TPDContentStream::ArgKind : uint8_t { N, I, S, Nm, A, DNm, NNm };

struct TPDContentStream::Operator {
  int8_t num_args;  // n >= 0: exactly n; -n: 0 to n
  std::array<ArgKind, 6> kinds;
  bool same_kind;  // kinds[0] applies to every position
};

namespace {

// What a colour space holds, roughly (an ICC profile's transform the most).
constexpr size_t kColorSpaceBytes = size_t{16} << 10;

using AK = TPDContentStream::ArgKind;

enum Op : int {
  opNone = -1,
  opQuote,
  opDQuote,
  op_b,
  op_B,
  op_bStar,
  op_BStar,
  op_BDC,
  op_BI,
  op_BMC,
  op_BT,
  op_BX,
  op_c,
  op_cm,
  op_cs,
  op_CS,
  op_d,
  op_d0,
  op_d1,
  op_Do,
  op_DP,
  op_EI,
  op_EMC,
  op_ET,
  op_EX,
  op_f,
  op_F,
  op_fStar,
  op_g,
  op_G,
  op_gs,
  op_h,
  op_i,
  op_ID,
  op_j,
  op_J,
  op_k,
  op_K,
  op_l,
  op_m,
  op_M,
  op_MP,
  op_n,
  op_q,
  op_Q,
  op_re,
  op_rg,
  op_RG,
  op_ri,
  op_s,
  op_S,
  op_sc,
  op_SC,
  op_scn,
  op_SCN,
  op_sh,
  op_TStar,
  op_Tc,
  op_Td,
  op_TD,
  op_Tf,
  op_Tj,
  op_TJ,
  op_TL,
  op_Tm,
  op_Tr,
  op_Ts,
  op_Tw,
  op_Tz,
  op_v,
  op_w,
  op_W,
  op_WStar,
  op_y,
  opCount
};

constexpr uint32_t Key(std::string_view s) {
  uint32_t k = static_cast<uint32_t>(s.size()) << 24;
  for (size_t i = 0; i < s.size() && i < 3; ++i) k |= uint32_t(uint8_t(s[i])) << (8 * i);
  return k;
}

Op FindOperator(std::string_view s) {
  if (s.size() > 3) return opNone;
  // clang-format off
  switch (Key(s)) {
#define QP_OP(text, id) \
  case Key(text):       \
    return id;
    QP_OP("'", opQuote)
    QP_OP("\"", opDQuote)
    QP_OP("b", op_b)
    QP_OP("B", op_B)
    QP_OP("b*", op_bStar)
    QP_OP("B*", op_BStar)
    QP_OP("BDC", op_BDC)
    QP_OP("BI", op_BI)
    QP_OP("BMC", op_BMC)
    QP_OP("BT", op_BT)
    QP_OP("BX", op_BX)
    QP_OP("c", op_c)
    QP_OP("cm", op_cm)
    QP_OP("cs", op_cs)
    QP_OP("CS", op_CS)
    QP_OP("d", op_d)
    QP_OP("d0", op_d0)
    QP_OP("d1", op_d1)
    QP_OP("Do", op_Do)
    QP_OP("DP", op_DP)
    QP_OP("EI", op_EI)
    QP_OP("EMC", op_EMC)
    QP_OP("ET", op_ET)
    QP_OP("EX", op_EX)
    QP_OP("f", op_f)
    QP_OP("F", op_F)
    QP_OP("f*", op_fStar)
    QP_OP("g", op_g)
    QP_OP("G", op_G)
    QP_OP("gs", op_gs)
    QP_OP("h", op_h)
    QP_OP("i", op_i)
    QP_OP("ID", op_ID)
    QP_OP("j", op_j)
    QP_OP("J", op_J)
    QP_OP("k", op_k)
    QP_OP("K", op_K)
    QP_OP("l", op_l)
    QP_OP("m", op_m)
    QP_OP("M", op_M)
    QP_OP("MP", op_MP)
    QP_OP("n", op_n)
    QP_OP("q", op_q)
    QP_OP("Q", op_Q)
    QP_OP("re", op_re)
    QP_OP("rg", op_rg)
    QP_OP("RG", op_RG)
    QP_OP("ri", op_ri)
    QP_OP("s", op_s)
    QP_OP("S", op_S)
    QP_OP("sc", op_sc)
    QP_OP("SC", op_SC)
    QP_OP("scn", op_scn)
    QP_OP("SCN", op_SCN)
    QP_OP("sh", op_sh)
    QP_OP("T*", op_TStar)
    QP_OP("Tc", op_Tc)
    QP_OP("Td", op_Td)
    QP_OP("TD", op_TD)
    QP_OP("Tf", op_Tf)
    QP_OP("Tj", op_Tj)
    QP_OP("TJ", op_TJ)
    QP_OP("TL", op_TL)
    QP_OP("Tm", op_Tm)
    QP_OP("Tr", op_Tr)
    QP_OP("Ts", op_Ts)
    QP_OP("Tw", op_Tw)
    QP_OP("Tz", op_Tz)
    QP_OP("v", op_v)
    QP_OP("w", op_w)
    QP_OP("W", op_W)
    QP_OP("W*", op_WStar)
    QP_OP("y", op_y)
#undef QP_OP
    default:
      return opNone;
  }
  // clang-format on
}

using Opr = TPDContentStream::Operator;
constexpr Opr None{0, {}, false};
constexpr Opr Nums(int n) {
  return Opr{int8_t(n), {AK::N, AK::N, AK::N, AK::N, AK::N, AK::N}, true};
}
constexpr Opr One(AK k) {
  return Opr{1, {k}, false};
}

constexpr std::array<Opr, opCount> kOperators = {
    One(AK::S),                            // '
    Opr{3, {AK::N, AK::N, AK::S}, false},  // "
    None,
    None,
    None,
    None,                              // b B b* B*
    Opr{2, {AK::Nm, AK::DNm}, false},  // BDC
    None,                              // BI
    One(AK::Nm),                       // BMC
    None,
    None,  // BT BX
    Nums(6),
    Nums(6),  // c cm
    One(AK::Nm),
    One(AK::Nm),                    // cs CS
    Opr{2, {AK::A, AK::N}, false},  // d
    Nums(2),
    Nums(6),                           // d0 d1
    One(AK::Nm),                       // Do
    Opr{2, {AK::Nm, AK::DNm}, false},  // DP
    None,
    None,
    None,
    None,  // EI EMC ET EX
    None,
    None,
    None,  // f F f*
    Nums(1),
    Nums(1),      // g G
    One(AK::Nm),  // gs
    None,         // h
    Nums(1),      // i
    None,         // ID
    One(AK::I),
    One(AK::I),  // j J
    Nums(4),
    Nums(4),  // k K
    Nums(2),
    Nums(2),      // l m
    Nums(1),      // M
    One(AK::Nm),  // MP
    None,
    None,
    None,  // n q Q
    Nums(4),
    Nums(3),
    Nums(3),      // re rg RG
    One(AK::Nm),  // ri
    None,
    None,  // s S
    Nums(-4),
    Nums(-4),                   // sc SC
    Opr{-33, {AK::NNm}, true},  // scn
    Opr{-33, {AK::NNm}, true},  // SCN
    One(AK::Nm),                // sh
    None,                       // T*
    Nums(1),
    Nums(2),
    Nums(2),                         // Tc Td TD
    Opr{2, {AK::Nm, AK::N}, false},  // Tf
    One(AK::S),
    One(AK::A),  // Tj TJ
    Nums(1),
    Nums(6),     // TL Tm
    One(AK::I),  // Tr
    Nums(1),
    Nums(1),
    Nums(1),  // Ts Tw Tz
    Nums(4),
    Nums(1),  // v w
    None,
    None,     // W W*
    Nums(4),  // y
};

bool Matches(const TPDOperand& a, AK kind) {
  switch (kind) {
    case AK::N:
      return a.IsNumber();
    case AK::I:
      return a.kind == TPDOperand::kInteger;
    case AK::S:
      return a.kind == TPDOperand::kString;
    case AK::Nm:
      return a.kind == TPDOperand::kName;
    case AK::A:
      return a.kind == TPDOperand::kArray;
    case AK::DNm:
      return a.kind == TPDOperand::kDict || a.kind == TPDOperand::kName;
    case AK::NNm:
      return a.IsNumber() || a.kind == TPDOperand::kName;
  }
  return false;
}

void FromObject(TPDObjectPtr object, TPDOperand& out) {
  out.object.reset();
  if (object->IsInteger()) {
    out.kind = TPDOperand::kInteger;
    out.integer = static_cast<TPDInteger&>(*object).Value();
    out.number = out.integer;
  } else if (object->IsReal()) {
    out.kind = TPDOperand::kReal;
    out.number = static_cast<TPDReal&>(*object).Value();
  } else if (object->IsName()) {
    out.kind = TPDOperand::kName;
    out.text = static_cast<TPDName&>(*object).Value();
  } else if (object->IsString()) {
    out.kind = TPDOperand::kString;
    out.text = static_cast<TPDString&>(*object).GetBytes();
  } else if (object->IsArray()) {
    out.kind = TPDOperand::kArray;
    out.object = std::move(object);
  } else if (object->IsDict()) {
    out.kind = TPDOperand::kDict;
    out.object = std::move(object);
  } else {
    out.kind = TPDOperand::kOther;
  }
}

// Reads the decoded data of a stream object, at most `limit` bytes.
std::string ReadAll(TPDStream& stream, int64_t limit) {
  stream.Reset();
  std::string data;
  uint8_t buffer[65536];
  while (static_cast<int64_t>(data.size()) < limit) {
    const size_t n = stream.Read(buffer, sizeof buffer);
    if (n == 0) break;
    data.append(reinterpret_cast<const char*>(buffer), n);
  }
  return data;
}

bool IsDeviceSpaceName(const std::string& name) {
  return name == "DeviceGray" || name == "DeviceRGB" || name == "DeviceCMYK" || name == "Pattern" ||
         name == "G" || name == "RGB" || name == "CMYK";
}

}  // namespace

TPDContentStream::TPDContentStream(TPDObjectResolver* document, TPDExportDevice& device,
                                   TPDState state, TPDDictionary* resources, int depth)
    : document_(document),
      device_(device),
      state_(std::move(state)),
      resources_(resources),
      depth_(depth),
      base_ctm_(state_.CTM) {}

TPDContentStream::~TPDContentStream() = default;

void TPDContentStream::SetType3Glyph() {
  type3_glyph_ = true;
}

void TPDContentStream::Run(TPDStream& stream) {
  const std::string data = ReadAll(stream, TPDFormBudget::kMaxBytes - budget_->bytes + 1);
  budget_->bytes += static_cast<int64_t>(data.size());
  if (budget_->bytes > TPDFormBudget::kMaxBytes) return;
  RunBytes(data);
}

void TPDContentStream::RunBytes(std::string_view content) {
  auto source = std::make_unique<TMemoryStream>(reinterpret_cast<const uint8_t*>(content.data()),
                                                content.size());
  TPDParserContext context;
  context.document = document_;
  TPDParser parser(context, std::make_unique<TPDLexer>(std::move(source)), false);
  Loop(parser, content);
}

void TPDContentStream::Loop(TPDParser& parser, std::string_view data) {
  TPDOperand discard;
  for (;;) {
    TPDOperand& slot = num_args_ < kMaxOperands ? args_[num_args_] : discard;
    // Operands are read from the parser's token in place: most are numbers,
    // which need neither a copy of the token nor an object.
    if (TPDToken* token = parser.PeekSimpleObject(/*referencesPossible=*/false)) {
      switch (token->kind) {
        case TPDTokenKind::EndOfInput:
          return;
        case TPDTokenKind::Keyword: {
          if (budget_->OperatorDone()) return;
          const Op op = FindOperator(token->text);
          parser.SkipSimpleObject();
          const int pending = num_args_;
          Dispatch(op, parser, data);
          num_args_ = std::max(num_args_, pending);
          ClearOperands();
          continue;
        }
        case TPDTokenKind::Integer:
          slot.kind = TPDOperand::kInteger;
          slot.integer = token->int_value;
          slot.number = token->int_value;
          break;
        case TPDTokenKind::Real:
          slot.kind = TPDOperand::kReal;
          slot.number = token->real_value;
          break;
        case TPDTokenKind::Boolean:
          slot.kind = TPDOperand::kBoolean;
          slot.integer = token->bool_value;
          break;
        case TPDTokenKind::Null:
          slot.kind = TPDOperand::kNull;
          break;
        case TPDTokenKind::Name:
          slot.kind = TPDOperand::kName;
          slot.text.swap(token->text);
          break;
        case TPDTokenKind::String:
          slot.kind = TPDOperand::kString;
          slot.text.swap(token->text);
          break;
        case TPDTokenKind::HexString:
          slot.kind = TPDOperand::kString;
          slot.text = HexDigitsToBytes(token->text);
          break;
        default:
          slot.kind = TPDOperand::kOther;
          break;
      }
      parser.SkipSimpleObject();
    } else {
      TPDObjectPtr object = parser.GetObject();
      if (!object || object->IsEOF()) return;
      FromObject(std::move(object), slot);
    }
    if (num_args_ < kMaxOperands) ++num_args_;
  }
}

void TPDContentStream::ClearOperands() {
  for (int i = 0; i < num_args_; ++i) args_[i].object.reset();
  num_args_ = 0;
}

void TPDContentStream::Dispatch(int op, TPDParser& parser, std::string_view data) {
  if (op == opNone) return;
  if (op == op_BI) {
    InlineImage(parser, data);
    return;
  }
  const Operator& sig = kOperators[op];
  const int k = num_args_;
  if (sig.num_args >= 0) {
    if (k < sig.num_args) return;
    num_args_ = static_cast<unsigned char>(sig.num_args);  // the oldest operands are used
  } else if (k > -sig.num_args) {
    return;
  }
  if (!CheckOperands(sig)) return;
  Execute(op);
}

bool TPDContentStream::CheckOperands(const Operator& op) const {
  for (int i = 0; i < num_args_; ++i) {
    const ArgKind kind = op.same_kind ? op.kinds[0] : op.kinds[std::min(i, 5)];
    if (!Matches(args_[i], kind)) return false;
  }
  return true;
}

TPDMatrix TPDContentStream::MatrixFromArgs() const {
  return TPDMatrix(Num(0), Num(1), Num(2), Num(3), Num(4), Num(5));
}

void TPDContentStream::Execute(int op) {
  TPDState& s = state_;
  switch (op) {
    // Path construction.
    case op_m:
      s.MoveTo(Num(0), Num(1));
      break;
    case op_l:
      if (s.IsCurrentPoint()) s.LineTo(Num(0), Num(1));
      break;
    case op_c:
      if (s.IsCurrentPoint()) s.CurveTo(Num(0), Num(1), Num(2), Num(3), Num(4), Num(5));
      break;
    case op_v:
      if (s.IsCurrentPoint()) s.CurveTo(s.CurX, s.CurY, Num(0), Num(1), Num(2), Num(3));
      break;
    case op_y:
      if (s.IsCurrentPoint()) s.CurveTo(Num(0), Num(1), Num(2), Num(3), Num(2), Num(3));
      break;
    case op_h:
      if (s.IsCurrentPoint()) s.ClosePath();
      break;
    case op_re: {
      const double x = Num(0), y = Num(1), w = Num(2), h = Num(3);
      s.MoveTo(x, y);
      s.LineTo(x + w, y);
      s.LineTo(x + w, y + h);
      s.LineTo(x, y + h);
      s.ClosePath();
      break;
    }
    // Painting and clipping.
    case op_S:
      Paint(false, false, false, true);
      break;
    case op_s:
      Paint(true, false, false, true);
      break;
    case op_f:
    case op_F:
      Paint(false, true, false, false);
      break;
    case op_fStar:
      Paint(false, true, true, false);
      break;
    case op_B:
      Paint(false, true, false, true);
      break;
    case op_BStar:
      Paint(false, true, true, true);
      break;
    case op_b:
      Paint(true, true, false, true);
      break;
    case op_bStar:
      Paint(true, true, true, true);
      break;
    case op_n:
      if (s.IsCurrentPoint()) EndPath();
      break;
    case op_W:
      clip_ = clipNormal;
      break;
    case op_WStar:
      clip_ = clipEO;
      break;
    // State.
    case op_q:
      SaveState();
      break;
    case op_Q:
      RestoreState();
      break;
    case op_cm: {
      const TPDMatrix m = MatrixFromArgs();
      s.ConcatCTM(m);
      device_.UpdateCTM(s, m);
      font_changed_ = true;
      break;
    }
    case op_w:
      s.LineWidth = Num(0);
      device_.UpdateLineWidth(s);
      break;
    case op_J:
      s.LineCap = args_[0].integer;
      device_.UpdateLineCap(s);
      break;
    case op_j:
      s.LineJoin = args_[0].integer;
      device_.UpdateLineJoin(s);
      break;
    case op_M:
      s.MiterLimit = Num(0);
      device_.UpdateMiterLimit(s);
      break;
    case op_i:
      s.Flatness = Num(0);
      device_.UpdateFlatness(s);
      break;
    case op_d: {
      auto* array = static_cast<TPDArray*>(args_[0].object.get());
      std::vector<float> dash;
      dash.reserve(array->GetLength());
      for (size_t i = 0; i < array->GetLength(); ++i) {
        const TPDBaseObject* e = ResolveObject(array->Get(i), document_);
        dash.push_back(e ? static_cast<float>(e->GetNumber()) : 0.0f);
      }
      s.SetLineDash(std::move(dash), Num(1));
      device_.UpdateLineDash(s);
      break;
    }
    case op_gs:
      ApplyExtGState();
      break;
    // Colour.
    case op_g:
      if (!ignore_colour_) SetDeviceColor(true, 1);
      break;
    case op_G:
      if (!ignore_colour_) SetDeviceColor(false, 1);
      break;
    case op_rg:
      if (!ignore_colour_) SetDeviceColor(true, 3);
      break;
    case op_RG:
      if (!ignore_colour_) SetDeviceColor(false, 3);
      break;
    case op_k:
      if (!ignore_colour_) SetDeviceColor(true, 4);
      break;
    case op_K:
      if (!ignore_colour_) SetDeviceColor(false, 4);
      break;
    case op_cs:
      if (!ignore_colour_) SetColorSpace(true);
      break;
    case op_CS:
      if (!ignore_colour_) SetColorSpace(false);
      break;
    case op_sc:
    case op_scn:
      if (!ignore_colour_) SetColorComponents(true);
      break;
    case op_SC:
    case op_SCN:
      if (!ignore_colour_) SetColorComponents(false);
      break;
    case op_sh:
      if (!hidden_) PaintShadingOperator();
      break;
    case op_d1:
      // A Type 3 glyph that declares its box is a shape only: all of it,
      // strokes too, paints in the one colour of the text that shows it
      // (the fill colour, or the stroke colour for stroked text).
      if (type3_glyph_) {
        ignore_colour_ = true;
        const int mode = static_cast<int>(state_.Render);
        if (mode == 1 || mode == 5) {
          state_.FillColorSpace = state_.StrokeColorSpace;
          state_.FillColor = state_.StrokeColor;
          state_.FillPattern = state_.StrokePattern;
          state_.FillPatternCTM = state_.StrokePatternCTM;
          state_.FillOpacity = state_.StrokeOpacity;
        } else {
          state_.StrokeColorSpace = state_.FillColorSpace;
          state_.StrokeColor = state_.FillColor;
          state_.StrokePattern = state_.FillPattern;
          state_.StrokePatternCTM = state_.FillPatternCTM;
          state_.StrokeOpacity = state_.FillOpacity;
        }
      }
      break;
    // XObjects and marked content.
    case op_Do:
      if (!hidden_) DrawXObject();
      break;
    case op_BMC:
      BeginMarkedContent(false);
      break;
    case op_BDC:
      BeginMarkedContent(true);
      break;
    case op_EMC:
      EndMarkedContent();
      break;
    case op_BX:
      ++ignore_undef_;
      break;
    case op_EX:
      if (ignore_undef_ > 0) --ignore_undef_;
      break;
    // Text.
    case op_BT:
      s.TextMatrix = TPDMatrix();
      text_line_matrix_ = TPDMatrix();
      s.LineX = s.LineY = 0;
      s.TextCurX = s.TextCurY = 0;
      device_.UpdateTextMatrix(s);
      device_.UpdateTextPos(s);
      font_changed_ = true;
      break;
    case op_ET:
      device_.EndTextObject(s);
      break;
    case op_Tf:
      SelectFont();
      break;
    case op_Tc:
      s.CharSpace = Num(0);
      device_.UpdateCharSpace(s);
      break;
    case op_Tw:
      s.WordSpace = Num(0);
      device_.UpdateWordSpace(s);
      break;
    case op_Tz:
      s.HorizScaling = Num(0) / 100;
      device_.UpdateHorizScaling(s);
      font_changed_ = true;
      break;
    case op_TL:
      s.Leading = Num(0);
      break;
    case op_Tr:
      s.Render = args_[0].integer;
      device_.UpdateRender(s);
      break;
    case op_Ts:
      s.Rise = Num(0);
      device_.UpdateRise(s);
      break;
    case op_TD:
      s.Leading = -Num(1);
      [[fallthrough]];
    case op_Td:
      text_line_matrix_ = text_line_matrix_.PreMultiply(TPDMatrix(1, 0, 0, 1, Num(0), Num(1)));
      s.TextMatrix = text_line_matrix_;
      s.LineX = text_line_matrix_.Dx, s.LineY = text_line_matrix_.Dy;
      s.TextCurX = s.TextCurY = 0;
      device_.UpdateTextPos(s);
      break;
    case op_Tm:
      text_line_matrix_ = MatrixFromArgs();
      s.TextMatrix = text_line_matrix_;
      s.LineX = s.LineY = 0;
      s.TextCurX = s.TextCurY = 0;
      device_.UpdateTextMatrix(s);
      device_.UpdateTextPos(s);
      font_changed_ = true;
      break;
    case op_TStar:
      TextNextLine();
      break;
    case op_Tj:
    case opQuote:
      if (!s.Font) break;
      if (op == opQuote) TextNextLine();
      ShowText(args_[0].text, nullptr);
      break;
    case op_TJ:
      ShowText({}, static_cast<const TPDArray*>(args_[0].object.get()));
      break;
    case opDQuote:
      if (!s.Font) break;
      s.WordSpace = Num(0);
      s.CharSpace = Num(1);
      device_.UpdateWordSpace(s);
      device_.UpdateCharSpace(s);
      TextNextLine();
      ShowText(args_[2].text, nullptr);
      break;
    default:  // operators without effect
      break;
  }
}

void TPDContentStream::TextNextLine() {
  text_line_matrix_ = text_line_matrix_.PreMultiply(TPDMatrix(1, 0, 0, 1, 0, -state_.Leading));
  state_.TextMatrix = text_line_matrix_;
  state_.LineX = text_line_matrix_.Dx, state_.LineY = text_line_matrix_.Dy;
  state_.TextCurX = state_.TextCurY = 0;
  device_.UpdateTextPos(state_);
}

void TPDContentStream::Paint(bool close, bool fill, bool evenOdd, bool stroke) {
  TPDState& s = state_;
  if (!s.IsCurrentPoint()) return;
  if (close) s.ClosePath();
  if (s.IsCurrentPath() && !hidden_) {
    if (fill && s.FillColorSpace && s.FillColorSpace->GetMode() == csPattern) {
      PaintPattern(false, evenOdd ? TShadingArea::kEvenOddFill : TShadingArea::kFill);
    } else if (fill) {
      if (evenOdd) {
        device_.EvenOddFill(s);
      } else {
        device_.Fill(s);
      }
    }
    if (stroke && s.StrokeColorSpace && s.StrokeColorSpace->GetMode() == csPattern) {
      PaintPattern(true, TShadingArea::kStroke);
    } else if (stroke) {
      device_.Stroke(s);
    }
  }
  EndPath();
}

void TPDContentStream::EndPath() {
  if (state_.IsCurrentPoint() && clip_ != clipNone) {
    if (clip_ == clipNormal) {
      device_.Clip(state_);
    } else {
      device_.EvenOddClip(state_);
    }
  }
  clip_ = clipNone;
  state_.ClearPath();
}

void TPDContentStream::SaveState() {
  if (saved_.size() >= kMaxSaveDepth) return;
  device_.SaveState(state_);
  saved_.push_back(state_);
}

void TPDContentStream::RestoreState() {
  if (saved_.empty()) return;
  TPDState restored = std::move(saved_.back());
  saved_.pop_back();
  // The path, the current point and the text position survive Q: the text
  // matrices are not part of the graphics state.
  restored.Path = std::move(state_.Path);
  restored.CurX = state_.CurX, restored.CurY = state_.CurY;
  restored.LineX = state_.LineX, restored.LineY = state_.LineY;
  restored.TextMatrix = state_.TextMatrix;
  restored.TextCurX = state_.TextCurX, restored.TextCurY = state_.TextCurY;
  state_ = std::move(restored);
  device_.RestoreState(state_);
}

TPDDictionary* TPDContentStream::ResourceCategory(std::string_view category) {
  if (!resources_) return nullptr;
  TPDBaseObject* sub = ResolveObject(resources_->LookUp(category), document_);
  return sub && sub->IsDict() ? static_cast<TPDDictionary*>(sub) : nullptr;
}

TPDBaseObject* TPDContentStream::LookupResource(std::string_view category,
                                                const std::string& name) {
  TPDDictionary* dict = ResourceCategory(category);
  if (!dict) return nullptr;
  return ResolveObject(dict->LookUp(name), document_);
}

TPDColorSpaceRef TPDContentStream::ColorSpaceByName(const std::string& name) {
  if (name == "Pattern") return std::make_shared<TPDPatternColorSpace>();
  if (IsDeviceSpaceName(name)) {
    static const std::string kFull[] = {"DeviceGray", "DeviceRGB", "DeviceCMYK"};
    std::string full = name == "G"      ? kFull[0]
                       : name == "RGB"  ? kFull[1]
                       : name == "CMYK" ? kFull[2]
                                        : name;
    TPDName object(full);
    return TPDColorSpacePtr(TPDColorSpace::MakeColorSpace(&object, {}, document_));
  }
  if (!resources_) return nullptr;
  auto found = color_spaces_.find(name);
  if (found != color_spaces_.end()) return found->second;
  TPDBaseObject* object = LookupResource("ColorSpace", name);
  TPDColorSpaceRef space;
  // Spaces made from the same object for another page or form serve again
  // when they were named alike (the name is part of a space).
  const TPDResourceCache::Key key{object, TPDResourceCache::Kind::kColorSpace};
  TPDResourceCache* shared =
      object && state_.DocCache && state_.DocCache->Enabled() ? state_.DocCache : nullptr;
  if (shared) {
    space = shared->Find<TPDColorSpace>(key);
    if (space && space->GetTagName() != name) space = nullptr;
  }
  if (!space && object) {
    space = TPDColorSpace::MakeColorSpace(object, name, document_);
    if (space && shared) shared->Keep(key, space, kColorSpaceBytes);
  }
  color_spaces_.emplace(name, space);
  return space;
}

void TPDContentStream::SetColorSpace(bool fill) {
  TPDColorSpaceRef space = ColorSpaceByName(args_[0].text);
  if (!space) return;
  TPDState& s = state_;
  const TColor initial = space->GetDefaultColor();
  if (fill) {
    s.SetFillColorSpace(std::move(space));
    s.FillColor = initial;
    s.FillPattern = nullptr;
    device_.UpdateFillColorSpace(s);
    device_.UpdateFillColor(s);
  } else {
    s.SetStrokeColorSpace(std::move(space));
    s.StrokeColor = initial;
    s.StrokePattern = nullptr;
    device_.UpdateStrokeColorSpace(s);
    device_.UpdateStrokeColor(s);
  }
}

void TPDContentStream::SetDeviceColor(bool fill, int comps) {
  static const TPDColorSpaceRef kGray = std::make_shared<TPDDeviceGrayColorSpace>();
  static const TPDColorSpaceRef kRGB = std::make_shared<TPDDeviceRGBColorSpace>();
  static const TPDColorSpaceRef kCMYK = std::make_shared<TPDDeviceCMYKColorSpace>();
  TColor color{};
  for (int i = 0; i < comps; ++i) color.Comps[i] = FixedFromDouble(Num(i));
  const TPDColorSpaceRef& space = comps == 1 ? kGray : comps == 3 ? kRGB : kCMYK;
  TPDState& s = state_;
  if (fill) {
    s.SetFillColorSpace(space);
    s.FillColor = color;
    device_.UpdateFillColorSpace(s);
    device_.UpdateFillColor(s);
  } else {
    s.SetStrokeColorSpace(space);
    s.StrokeColor = color;
    device_.UpdateStrokeColorSpace(s);
    device_.UpdateStrokeColor(s);
  }
}

void TPDContentStream::SetColorComponents(bool fill) {
  TColor color{};
  int n = 0;
  for (int i = 0; i < num_args_; ++i) {
    if (args_[i].kind == TPDOperand::kName) ChoosePattern(fill, args_[i].text);
    if (!args_[i].IsNumber()) continue;
    color.Comps[n++] = FixedFromDouble(Num(i));
  }
  if (fill) {
    state_.FillColor = color;
    device_.UpdateFillColor(state_);
  } else {
    state_.StrokeColor = color;
    device_.UpdateStrokeColor(state_);
  }
}

void TPDContentStream::DrawXObject() {
  TPDBaseObject* object = LookupResource("XObject", args_[0].text);
  if (!object || !object->IsStream()) return;
  auto* stream = static_cast<TPDStream*>(object);
  const TPDDictionary* dict = stream->GetDict();
  if (!dict) return;
  const TPDBaseObject* subtype = ResolveObject(dict->LookUp("Subtype"), document_);
  if (!subtype || Hidden(dict->LookUp("OC"))) return;
  if (subtype->IsName("Image")) {
    TPDImageSource image;
    image.Dict = dict;
    image.Stream = stream;
    image.Resources = resources_;
    device_.DrawImage(state_, image);
    PaintImageMaskPattern(*dict);
  } else if (subtype->IsName("Form")) {
    if (depth_ >= kMaxFormDepth || budget_->forms >= TPDFormBudget::kMaxForms) return;
    ++budget_->forms;
    TPDBaseObject* own = ResolveObject(dict->LookUp("Resources"), document_);
    TPDDictionary* resources = own && own->IsDict() ? static_cast<TPDDictionary*>(own) : resources_;
    device_.DrawFormXObject(state_, TPDForm(stream, resources, document_, depth_ + 1, budget_));
  }
}

void TPDContentStream::PaintImageMaskPattern(const TPDDictionary& dict) {
  if (!state_.FillColorSpace || state_.FillColorSpace->GetMode() != csPattern) return;
  const TPDBaseObject* mask = ResolveObject(dict.LookUp("ImageMask"), document_);
  if (!mask) mask = ResolveObject(dict.LookUp("IM"), document_);
  if (mask && mask->IsBoolean() && static_cast<const TPDBoolean*>(mask)->Value()) {
    PaintPattern(false, TShadingArea::kMask);
  }
}

bool TPDContentStream::Hidden(TPDBaseObject* oc) const {
  return oc && state_.OptionalContent && state_.OptionalContent->IsHidden(oc);
}

void TPDContentStream::BeginMarkedContent(bool withProperties) {
  bool hides = false;
  if (withProperties && args_[0].text == "OC") {
    TPDBaseObject* oc = args_[1].kind == TPDOperand::kDict
                            ? args_[1].object.get()
                            : LookupResource("Properties", args_[1].text);
    hides = Hidden(oc);
  }
  marked_.push_back(hides);
  if (hides) ++hidden_;
}

void TPDContentStream::EndMarkedContent() {
  if (marked_.empty()) return;
  if (marked_.back()) --hidden_;
  marked_.pop_back();
}

void TPDContentStream::InlineImage(TPDParser& parser, std::string_view data) {
  ClearOperands();
  auto dict = std::make_unique<TPDDictionary>(document_);
  TPDToken token;
  bool reachedData = false;
  std::string key;
  bool haveKey = false;
  for (;;) {
    TPDObjectPtr value;
    if (parser.GetSimpleObject(token)) {
      if (token.kind == TPDTokenKind::EndOfInput) return;
      if (token.kind == TPDTokenKind::Keyword && token.text == "ID") {
        reachedData = true;
        break;
      }
      if (!haveKey) {
        if (token.kind == TPDTokenKind::Name) {
          key = token.text;
          haveKey = true;
        }
        continue;
      }
      if (token.kind == TPDTokenKind::Error) return;
      value = token.ToObject();
    } else {
      value = parser.GetObject();
      if (!value || value->IsEOF()) return;
      if (!haveKey) continue;
    }
    if (value->IsError()) return;
    dict->Add(std::exchange(key, {}), std::move(value));
    haveKey = false;
  }
  if (!reachedData) return;
  const auto start =
      static_cast<size_t>(std::clamp<int64_t>(parser.GetPosition(), 0, int64_t(data.size())));
  const TPDInlineDataExtent extent =
      FindInlineImageData(*dict, resources_, data, start,
                          [](std::string_view word) { return FindOperator(word) != opNone; });
  TPDImageSource image;
  image.Dict = dict.get();
  image.Data = data.substr(start, extent.data_end - start);
  image.IsInline = true;
  image.Resources = resources_;
  if (!hidden_) {
    device_.DrawImage(state_, image);
    PaintImageMaskPattern(*dict);
  }
  parser.GetLexer().SetPosition(static_cast<int64_t>(extent.resume));
}

bool TPDForm::IsTransparencyGroup(bool& knockout) const {
  const TPDDictionary* dict = stream_->GetDict();
  TPDBaseObject* group = dict ? ResolveObject(dict->LookUp("Group"), document_) : nullptr;
  if (!group || !group->IsDict()) return false;
  auto* g = static_cast<TPDDictionary*>(group);
  const TPDBaseObject* s = ResolveObject(g->LookUp("S"), document_);
  if (!s || !s->IsName("Transparency")) return false;
  const TPDBaseObject* k = ResolveObject(g->LookUp("K"), document_);
  knockout = k && k->IsBoolean() && static_cast<const TPDBoolean*>(k)->Value();
  return true;
}

TPDMatrix TPDForm::GetMatrix() const {
  const TPDDictionary* dict = stream_->GetDict();
  TPDBaseObject* m = dict ? ResolveObject(dict->LookUp("Matrix"), document_) : nullptr;
  if (!m || !m->IsArray()) return TPDMatrix();
  auto* array = static_cast<TPDArray*>(m);
  if (array->GetLength() < 6) return TPDMatrix();
  double v[6];
  for (size_t i = 0; i < 6; ++i) {
    const TPDBaseObject* e = ResolveObject(array->Get(i), document_);
    v[i] = e && e->IsNumber() ? e->GetNumber() : 0;
  }
  return TPDMatrix(v[0], v[1], v[2], v[3], v[4], v[5]);
}

bool TPDForm::GetBBox(double& x1, double& y1, double& x2, double& y2) const {
  const TPDDictionary* dict = stream_->GetDict();
  TPDBaseObject* b = dict ? ResolveObject(dict->LookUp("BBox"), document_) : nullptr;
  if (!b || !b->IsArray()) return false;
  auto* array = static_cast<TPDArray*>(b);
  if (array->GetLength() < 4) return false;
  double v[4];
  for (size_t i = 0; i < 4; ++i) {
    const TPDBaseObject* e = ResolveObject(array->Get(i), document_);
    if (!e || !e->IsNumber()) return false;
    v[i] = e->GetNumber();
  }
  x1 = v[0], y1 = v[1], x2 = v[2], y2 = v[3];
  return true;
}

void TPDForm::Display(TPDExportDevice& device, const TPDState& state) const {
  TPDState copy = state;
  copy.ClearPath();
  TPDContentStream content(document_, device, std::move(copy), resources_, depth_);
  if (budget_) content.SetFormBudget(budget_);
  if (uncoloured_) content.SetUncoloured();
  content.Run(*stream_);
}

void TPDExportDevice::SetDefaultCTM(const TPDMatrix& matrix) {
  default_ctm_ = matrix;
  default_inverse_ctm_ = matrix.GetInverse();
}

void TPDExportDevice::ConvertDevToUser(double dx, double dy, double& ux, double& uy) const {
  const TPDMatrix& m = default_inverse_ctm_;
  ux = m.M11 * dx + m.M21 * dy + m.Dx;
  uy = m.M12 * dx + m.M22 * dy + m.Dy;
}

void TPDExportDevice::ConvertUserToDev(double ux, double uy, double& dx, double& dy) const {
  const TPDMatrix& m = default_ctm_;
  dx = m.M11 * ux + m.M21 * uy + m.Dx + 0.5;
  dy = m.M12 * ux + m.M22 * uy + m.Dy + 0.5;
}

void TPDExportDevice::UpdateAll(const TPDState& state) {
  UpdateLineDash(state);
  UpdateFlatness(state);
  UpdateLineJoin(state);
  UpdateLineCap(state);
  UpdateMiterLimit(state);
  UpdateLineWidth(state);
  UpdateStrokeAdjust(state);
  UpdateFillColorSpace(state);
  UpdateFillColor(state);
  UpdateStrokeColorSpace(state);
  UpdateStrokeColor(state);
  UpdateBlendMode(state);
  UpdateFillOpacity(state);
  UpdateStrokeOpacity(state);
  UpdateFillOverPrint(state);
  UpdateStrokeOverPrint(state);
  UpdateTransfer(state);
}

}  // namespace qp::pdf
