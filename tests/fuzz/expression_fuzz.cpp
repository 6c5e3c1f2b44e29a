// Fuzz driver of the expression language and the user-defined function files:
// deterministic mutants of committed seeds (tests/fuzz/seeds/expression, functions, udf)
// and of files our own writers make go through
//   statement   the parser and evaluator (ExprParseAndRun), the compiler (ExprCompileSlot
//               into a line of a function, a data calculation slot or the first empty
//               one) and the interpreter (ExprRunSlot), and ExprErrorLine; generated the
//               same with well-formed statements drawn from the grammar;
//   function    a function text loaded as a user-defined function (UdfLoad) and as the
//               view function (ExprCompileViewFn), then evaluated with its derivatives;
//   udf_text    .udf files in the text form, udf_raw the raw 3945-byte record,
//   library     .udl files, session the session file: read, loaded, written back and
//               read again;
//   validation  a function text with a parameter count and limit rows as the dialog
//               hands them over (UdfRecordFromForm), checked before a fit (ValidateUdf).
//
// Besides not crashing (the sanitizer builds catch memory and undefined-behaviour faults),
// every evaluation must leave the thread's context as it found it (no nesting, no
// temporaries, no open "IF" marks, no calculus built-in running), fail with a code or
// give a finite number, and end: the slowest input of each target is printed, and
// `--max-seconds S` turns an input slower than S seconds into a failure (off by default,
// since machines differ; ctest's pass sets a limit far above its slowest input). An input
// that fails a check, or that a sanitizer reports, is kept in fuzz_expression_failed_<target>
// in the working folder.
//
//   fuzz_expression [--iterations N] [--seed S] [--target NAME] [--max-seconds S]
//                   [--replay FILE --target NAME]
#include <unistd.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

#include <chrono>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/data_statistics.h"
#include "app/long_double.h"
#include "expr/calculus_state.h"
#include "expr/compiler.h"
#include "expr/data_statistics_cells.h"
#include "expr/eval_context.h"
#include "expr/expression.h"
#include "expr/function_table.h"
#include "expr/random_numbers.h"
#include "expr/udf_record.h"
#include "support/fuzz_mutator.h"
#include "tools/udf/udf_evaluation.h"
#include "tools/udf/udf_files.h"
#include "tools/udf/udf_form.h"
#include "tools/udf/udf_limits.h"
#include "tools/udf/udf_session.h"
#include "tools/udf/udf_validation.h"

namespace {

namespace fs = std::filesystem;
using fuzz::Bytes;

struct Target {
  std::string name;
  std::vector<Bytes> seeds;
  std::vector<Bytes> dictionary;
  std::function<void(const Bytes& input, std::uint64_t iteration)> run;
};

std::string g_current;  // target and iteration, for the failure message
fs::path g_dir;         // scratch folder of the file targets
std::uint64_t g_accepted = 0;
std::uint64_t g_seed = 1;      // --seed  // inputs of the target that got past the parser or reader

void KeepInput();

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz_expression: %s: %s\n", g_current.c_str(), what.c_str());
  KeepInput();
  std::abort();
}
void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

Bytes FileBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void WriteFile(const fs::path& path, const Bytes& b) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(b.data(), static_cast<std::streamsize>(b.size()));
}

// The input being run, kept in a file of the working folder when the driver or a sanitizer
// ends the run on it, so that `--replay` can run it again.
const Bytes* g_input = nullptr;
std::string g_inputTarget;

void KeepInput() {
  if (g_input == nullptr) return;
  const fs::path keep = "fuzz_expression_failed_" + g_inputTarget;
  WriteFile(keep, *g_input);
  std::fprintf(stderr, "fuzz_expression: %s: input kept in %s\n", g_current.c_str(), keep.c_str());
}

std::vector<Bytes> SeedFolder(const char* folder) {
  return fuzz::LoadSeedFolder(fs::path(ONDRAVIK_FUZZ_SEEDS_DIR) / folder);
}

// One seed per line of every file of the folder.
std::vector<Bytes> SeedLines(const char* folder) {
  std::vector<Bytes> lines;
  for (const Bytes& file : SeedFolder(folder)) {
    std::size_t start = 0;
    while (start < file.size()) {
      std::size_t end = file.find('\n', start);
      if (end == Bytes::npos) end = file.size();
      if (end > start) lines.push_back(file.substr(start, end - start));
      start = end + 1;
    }
  }
  return lines;
}

// The language's own words: every built-in's name with its parenthesis, the variables,
// the operators, and numbers at the edges of the long double range.
std::vector<Bytes> LanguageTokens() {
  std::vector<Bytes> tokens;
  for (const TExprFunctionRow& row : ExprFunctionTable()) {
    if (!row.handler) continue;
    tokens.emplace_back(row.name);
    if (row.args > 0) tokens.push_back(std::string(row.name) + "(");
  }
  for (const char* t : {"X", "Y", "Z", "W", "A0", "A9", "$", "$$", "B=", "PI", "INF", "-INF", "DATAERR", "+", "-",
                        "*", "/", "^", "!", "%", "(", ")", ",", "=", "<", ">", "<=", ">=", "<>", " AND ", " OR ",
                        "1E4932", "1E-4951", "0", "-1", "999999", "1E30", "F1", "#F9", "\r\n", "Z=", "F1=",
                        "F9="}) {
    tokens.emplace_back(t);
  }
  return tokens;
}

// What every evaluation must leave behind on its thread.
void CheckContextAtRest(const char* after) {
  ExprContext& ctx = ExprThreadContext();
  const std::string what = std::string(after) + ": ";
  if (ctx.nesting != 0) Fail(what + "nesting left open");
  if (ctx.tempTop != 0) Fail(what + "temporaries left taken");
  if (ctx.evaluations != 0) Fail(what + "evaluation left open");
  if (!ctx.errorMarks.empty()) Fail(what + "IF marks left open");
  if (ctx.ExprParamArea != nullptr) Fail(what + "parameter area left pointing into a finished run");
  if (CalculusState(ctx).running) Fail(what + "calculus built-in left running");
}

// A value an entry point may return: the missing value, or a finite number with no code.
void CheckValue(long double v, const char* after) {
  const ExprContext& ctx = ExprThreadContext();
  if (v == ExprErrorValue) return;
  if (ctx.ExprMathError != 0) Fail(std::string(after) + ": a value returned with an error code");
  if (!std::isfinite(v)) Fail(std::string(after) + ": a value that is not finite");
}

// A fresh language every few hundred inputs, so that user variables do not fill the
// symbol list and every run of the driver sees the same states.
void FreshLanguage() {
  ExprShutDown();
  ExprStartUp();
  ExprRandomSeed(1);  // start-up seeds it from the clock; the driver must repeat itself
  FreeAllUdfs();
  ExprContext& ctx = ExprThreadContext();
  ctx.ExprVars = TExprVars{};
  ctx.CurrentUdf = 0;
  ctx.ClearErrors();
}

void SetPoint(std::uint64_t i) {
  TExprVars& v = ExprThreadContext().ExprVars;
  static constexpr long double kValues[] = {0, 1, -1, 0.5, 2, 1e-300L, 1e300L, 3, -7.25};
  v.X() = kValues[i % std::size(kValues)];
  v.Y() = kValues[(i / 3) % std::size(kValues)];
  v.Dollar() = v.X();
  for (int k = 0; k < 10; ++k) v.A(k) = kValues[(i + static_cast<std::uint64_t>(k)) % std::size(kValues)];
}

void RunStatement(const Bytes& text, std::uint64_t i) {
  ExprContext& ctx = ExprThreadContext();
  SetPoint(i);
  CheckValue(ExprParseAndRun(text), "ExprParseAndRun");
  CheckContextAtRest("ExprParseAndRun");
  const std::string marked = ExprErrorLine(text);
  Check(marked.size() <= text.size() + 4, "ExprErrorLine added more than its marks");

  // Compiled: as a line of function 3 (lines 30..39), a data calculation slot, or the
  // first empty slot; then run at another point.
  ctx.CurrentUdf = 3;
  const int slots[] = {30 + static_cast<int>(i % 10), 150 + static_cast<int>(i % 4), -1};
  const int slot = slots[i % 3];
  if (ExprCompileSlot(text, slot) == 1) {
    ++g_accepted;
    CheckContextAtRest("ExprCompileSlot");
    const int filled = slot < 0 ? ExprCurrentSlot() : slot;
    SetPoint(i + 1);
    CheckValue(ExprRunSlot(filled), "ExprRunSlot");
    CheckContextAtRest("ExprRunSlot");
  }
  CheckContextAtRest("ExprCompileSlot");
}

// A random well-formed statement from the grammar: numbers at the edges of the range,
// variables, operators and every built-in with its own number of arguments (the lines
// F1..F9 it may call hold earlier generated statements). Byte mutation rarely keeps a
// text parseable; these reach the built-ins' bodies with hostile arguments.
class StatementGenerator {
 public:
  explicit StatementGenerator(std::uint64_t seed) : rng_(seed) {
    for (const TExprFunctionRow& row : ExprFunctionTable()) {
      if (row.handler) functions_.push_back(&row);
    }
  }
  Bytes Next() { return Expression(4); }

 private:
  Bytes Leaf() {
    static constexpr const char* kLeaves[] = {"0", "1", "-1", "0.5", "2", "10", "1E-300", "1E300", "1E4000", "-7.25",
                                              "999999", "1E-10", "X", "Y", "Z", "W", "A0", "A3", "$", "$$", "PI",
                                              "INF", "-INF", "DATAERR", "3", "170", "0.999999"};
    return kLeaves[rng_.Below(std::size(kLeaves))];
  }
  Bytes Expression(int depth) {
    if (depth == 0 || rng_.OneIn(3)) return Leaf();
    switch (rng_.Below(4)) {
      case 0: {
        static constexpr const char* kOps[] = {"+", "-", "*", "/", "^", "%", "<", ">", "=", "<>", "<=", ">=",
                                               " AND ", " OR "};
        return "(" + Expression(depth - 1) + kOps[rng_.Below(std::size(kOps))] + Expression(depth - 1) + ")";
      }
      case 1: return rng_.OneIn(2) ? "-" + Expression(depth - 1) : "(" + Expression(depth - 1) + ")!";
      default: {
        const TExprFunctionRow& row = *functions_[rng_.Below(functions_.size())];
        Bytes call = row.name;
        if (row.args == 0) return call;
        call += "(";
        for (int a = 0; a < row.args; ++a) {
          if (a > 0) call += ",";
          // Calculus built-ins name a line first: mostly a real line number.
          call += a == 0 && rng_.OneIn(2) ? std::to_string(rng_.Below(10)) : Expression(depth - 1);
        }
        return call + ")";
      }
    }
  }

  fuzz::Rng rng_;
  std::vector<const TExprFunctionRow*> functions_;
};

void LoadAndEvaluate(int k, std::uint64_t i) {
  ExprContext& ctx = ExprThreadContext();
  TUdfRecord* r = UdfRecordAt(k);
  if (!r) return;
  const int loaded = UdfLoad(k);
  CheckContextAtRest("UdfLoad");
  Check(loaded == 1 || loaded == -1, "UdfLoad gave neither 1 nor -1");
  Check(r->Compiled == (loaded == 1 ? 1 : 0), "compiled flag disagrees with UdfLoad");
  if (loaded != 1) return;
  ++g_accepted;
  ctx.CurrentUdf = k;
  for (int p = 0; p < 10; ++p) ctx.ExprVars.A(p) = r->Start[static_cast<std::size_t>(p)];
  SetPoint(i);
  CheckValue(EvalUdfCallback(k)(ctx.ExprVars.X(), ctx.ExprVars.Y()), "EvalUdf");
  CheckContextAtRest("EvalUdf");
  long double a[11] = {};
  for (int p = 0; p < 10; ++p) a[p + 1] = r->Start[static_cast<std::size_t>(p)];
  long double z = 0;
  long double dz[11] = {};
  UdfFitEvaluate(k, 1.5, -2, a, &z, UdfFitParamCount(k) > 0 ? dz : nullptr);
  CheckContextAtRest("UdfFitEvaluate");
}

// Defines function k with `text` (cut to the record), `params` parameters and limits
// from -1e25 to 1e25 starting at `start`; returns the length of the text kept.
std::size_t Define(int k, const Bytes& text, int params, const char* start) {
  FreeUdf(k);
  Check(AllocUdf(k) == 1, "AllocUdf refused a function number");
  TUdfRecord& r = *UdfRecordAt(k);
  const std::size_t n = std::min(text.size(), r.Text.size() - 1);
  std::copy_n(text.begin(), n, r.Text.begin());
  r.LineCount = static_cast<std::int16_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), '\n'));
  r.ParamCount = static_cast<std::int16_t>(params);
  auto set = [](auto& field, std::string_view value) { std::copy_n(value.begin(), value.size(), field.begin()); };
  for (int p = 0; p < params; ++p) {
    const auto i = static_cast<std::size_t>(p);
    set(r.MinText[i], "-1e+25");
    set(r.StartText[i], start);
    set(r.MaxText[i], "1e+25");
  }
  ParseUdfParams(k);
  return n;
}

void RunFunction(const Bytes& text, std::uint64_t i) {
  const int k = static_cast<int>(i % kUdfCount);
  static constexpr const char* kStarts[] = {"1", "0.5", "XMEAN", "-2", "ZRANGE"};
  const std::size_t n = Define(k, text, 1 + static_cast<int>(i % 10), kStarts[i % std::size(kStarts)]);
  CheckContextAtRest("ParseUdfParams");
  LoadAndEvaluate(k, i);

  const long double x = (i % 2) ? 2 : 0.5;
  if (ExprCompileViewFn(text.substr(0, n), x, 3) == 1) {
    CheckContextAtRest("ExprCompileViewFn");
    CheckValue(ExprEvalViewFn(x, 3), "ExprEvalViewFn");
    for (auto derivative : {ExprDerivX, ExprDerivY, ExprDeriv2X, ExprDeriv2Y, ExprDerivXY}) {
      const long double d = derivative(x, 3);
      (void)d;  // a difference of failed values is what it is; it only has to end
      CheckContextAtRest("view function derivative");
    }
  }
  CheckContextAtRest("ExprCompileViewFn");
}

// A function as the dialog hands it over, then the check before a fit. A valid function is
// defined and compiled and evaluates; a refused one is gone unless the verdict keeps it,
// and the place it names lies within the text or the rows.
void RunValidation(const Bytes& text, std::uint64_t i) {
  // Good rows, then rows the check refuses: a start on its limit, a limit without a value.
  static constexpr const char* kRows[][3] = {{"-1e+25", "1", "1e+25"}, {"0", "2.5", "10"}, {"XMIN", "XMEAN", "XMAX"},
                                             {"-1E25", "ZRANGE", "1E25"}, {"2", "2", "5"}, {"1/0", "1", "2"}};
  // 12 points on a plane, records 0..12.
  static const PointTable points = [] {
    PointTable t = NewPointTable(12);
    for (std::size_t n = 1; n <= 12; ++n)
      t[n] = {.X = 1.0L * (n % 4) + 1, .Y = 1.0L * (n / 4) + 1, .Z = 1.0L * n, .W = 1, .Status = kPointActive};
    return t;
  }();
  const int k = static_cast<int>(i % kUdfCount);
  // Mostly the count the text names (its highest parameter), now and then any other.
  int count = 1;
  for (std::size_t c = 0; c + 1 < text.size(); ++c)
    if ((text[c] == 'A' || text[c] == 'a') && text[c + 1] >= '0' && text[c + 1] <= '9') count = std::max(count, text[c + 1] - '0' + 1);
  if (i % 5 == 0) count = 1 + static_cast<int>(i / 5 % 11);
  TUdfForm form = ClearedUdfForm();
  form.text = text;
  form.count = std::to_string(count);
  const std::size_t rowKinds = i % 4 == 0 ? std::size(kRows) : 4;
  for (std::size_t p = 0; p < kUdfMaxParams; ++p) {
    const auto& row = kRows[(i / 7 + p) % rowKinds];
    form.minText[p] = row[0];
    form.startText[p] = row[1];
    form.maxText[p] = row[2];
  }
  BoundUdfTable()[static_cast<std::size_t>(k)] = UdfRecordFromForm(form);
  const TUdfVerdict v = ValidateUdf(k, points, 11);
  CheckContextAtRest("ValidateUdf");
  const TUdfRecord* r = UdfRecordAt(k);
  if (v.Valid()) {
    ++g_accepted;
    Check(r != nullptr && r->Compiled == 1, "a valid function is not compiled");
    SetPoint(i);
    CheckValue(EvalUdfCallback(k)(ExprThreadContext().ExprVars.X(), ExprThreadContext().ExprVars.Y()), "EvalUdf");
    CheckContextAtRest("EvalUdf");
    return;
  }
  Check(!v.message.empty() && !v.caption.empty(), "a refusal without a message");
  Check((r != nullptr) == v.kept, "a refused function stayed defined, or a kept one went");
  Check(r == nullptr || r->Compiled == 0, "a refused function stayed compiled");
  const auto lines = static_cast<int>(std::count(text.begin(), text.end(), '\n') + std::count(text.begin(), text.end(), '\r'));
  Check(v.line <= lines, "a fault's line beyond the text");
  Check(v.row < kUdfMaxParams, "a fault's row beyond the rows");
}

// Every function defined after a read: loaded and evaluated.
void LoadAll(std::uint64_t i) {
  for (int k = 0; k < kUdfCount; ++k) LoadAndEvaluate(k, i);
}

std::string DefinedTexts() {
  std::string texts;
  for (int k = 0; k < kUdfCount; ++k) {
    if (const TUdfRecord* r = UdfRecordAt(k)) texts += std::to_string(k) + ":" + std::string(UdfFieldText(r->Text)) + "|";
  }
  return texts;
}

void RunUdfFile(const Bytes& input, std::uint64_t i) {
  const fs::path path = g_dir / "input.udf";
  WriteFile(path, input);
  const int k = static_cast<int>(i % kUdfCount);
  FreeAllUdfs();
  const int read = ReadUdfFile(BoundUdfTable(), k, path);
  Check(read == 1 || read == kUdfFileNotOpened || read == kUdfFileMalformed, "ReadUdfFile gave an unknown result");
  Check((read == 1) == (UdfRecordAt(k) != nullptr), "a refused file defined the function, or a read one did not");
  if (read != 1) return;
  LoadAndEvaluate(k, i);
  // What was read writes and reads back as the same function text.
  const std::string text(UdfFieldText(UdfRecordAt(k)->Text));
  const fs::path copy = g_dir / "copy.udf";
  if (WriteUdfFile(BoundUdfTable(), k, copy) != 1) return;
  FreeAllUdfs();
  Check(ReadUdfFile(BoundUdfTable(), k, copy) == 1, "a file we wrote is refused");
  Check(std::string(UdfFieldText(UdfRecordAt(k)->Text)) == text, "a written file reads back with another text");
}

void RunLibrary(const Bytes& input, std::uint64_t i, bool session) {
  FreeAllUdfs();
  int read = 0;
  if (session) {
    const fs::path dir = g_dir / "settings";
    fs::create_directories(dir);
    WriteFile(dir / "QVRK2V3.CFG", input);
    const TUdfInstallResult result = InstallLastSessionUdfs(dir);
    CheckContextAtRest("InstallLastSessionUdfs");
    Check(result.loaded <= std::max(result.read, 0), "more functions loaded than read");
    g_accepted += static_cast<std::uint64_t>(result.loaded);
    read = result.read;
  } else {
    const fs::path path = g_dir / "input.udl";
    WriteFile(path, input);
    int dropped = 0;
    read = ReadUdfLibrary(BoundUdfTable(), path, &dropped);
    Check(dropped >= 0 && dropped <= kUdfCount, "dropped count out of range");
    LoadAll(i);
  }
  Check(read <= kUdfCount, "more functions read than there are");
  if (read <= 0) {
    Check(DefinedTexts().empty(), "a refused library defined functions");
    return;
  }
  // Written back and read again: the same functions.
  const std::string texts = DefinedTexts();
  const fs::path copy = g_dir / "copy.udl";
  const int written = WriteUdfLibrary(BoundUdfTable(), copy);
  if (written <= 0) return;
  FreeAllUdfs();
  Check(ReadUdfLibrary(BoundUdfTable(), copy) == written, "a library we wrote reads back short");
  if (written == read) Check(DefinedTexts() == texts, "a library we wrote reads back with other texts");
}

// Files our writers make, from the function seeds: the text and raw .udf forms and a
// library of several functions.
void WriterSeeds(const std::vector<Bytes>& functions, std::vector<Bytes>& udf, std::vector<Bytes>& raw,
                 std::vector<Bytes>& library) {
  FreeAllUdfs();
  int k = 0;
  for (const Bytes& text : functions) {
    if (k >= kUdfCount) break;
    Define(k, text, 2, "1");
    TUdfRecord& r = *UdfRecordAt(k);
    const fs::path path = g_dir / "seed.udf";
    if (WriteUdfFile(BoundUdfTable(), k, path) == 1) {
      const Bytes b = FileBytes(path);
      (b.size() == kUdfRecordBytes ? raw : udf).push_back(b);
    }
    // The raw form of the same record: a data-dependent start forces it.
    r.DataMask |= 1;
    if (WriteUdfFile(BoundUdfTable(), k, path) == 1) raw.push_back(FileBytes(path));
    r.DataMask &= ~1u;
    ++k;
  }
  if (WriteUdfLibrary(BoundUdfTable(), g_dir / "seed.udl") > 0) library.push_back(FileBytes(g_dir / "seed.udl"));
  FreeAllUdfs();
}

std::vector<Target> Targets() {
  const std::vector<Bytes> tokens = LanguageTokens();
  const std::vector<Bytes> functions = SeedFolder("functions");
  std::vector<Bytes> udf = SeedFolder("udf");
  std::vector<Bytes> raw;
  std::vector<Bytes> library;
  WriterSeeds(functions, udf, raw, library);
  std::vector<Bytes> fileTokens = tokens;
  for (const char* t : {"QKUDFLIB", "\xff\xff\xff\xff", "\x1a", "-1e+25 1 1e+25", "ZMEAN", "XRANGE"})
    fileTokens.emplace_back(t);

  std::vector<Target> targets;
  targets.push_back({"statement", SeedLines("expression"), tokens, RunStatement});
  // Generated statements: the seeds only start the target; every input comes from the
  // generator, and the mutator's input is ignored (a failing text is shown in the failure
  // message; `--target statement --replay FILE` runs it again).
  targets.push_back({"generated", {""}, {}, [](const Bytes&, std::uint64_t i) {
                       static StatementGenerator generator(g_seed);
                       const Bytes text = generator.Next();
                       g_current += " text " + text;
                       RunStatement(text, i);
                     }});
  targets.push_back({"function", functions, tokens, RunFunction});
  targets.push_back({"udf_text", udf, fileTokens, RunUdfFile});
  targets.push_back({"udf_raw", raw, fileTokens, RunUdfFile});
  targets.push_back({"library", library, fileTokens,
                     [](const Bytes& b, std::uint64_t i) { RunLibrary(b, i, false); }});
  targets.push_back({"session", library, fileTokens,
                     [](const Bytes& b, std::uint64_t i) { RunLibrary(b, i, true); }});
  // The function seeds and plain functions of the kind users type.
  std::vector<Bytes> typed = functions;
  for (const char* t : {"Z=A0+A1*X+A2*Y*Y", "F1=X*Y\nZ=A0+A1*F1+Y", "Z=A0*EXP(-A1*X)+A2*LN(Y)",
                        "F2=A1*X\nF1=F2+Y\nZ=A0+F1", "Z=A0+A1*X+Y\nZ=A0", "Z A0+X+Y"})
    typed.emplace_back(t);
  targets.push_back({"validation", typed, tokens, RunValidation});
  return targets;
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t iterations = 300, seed = 1;
  double maxSeconds = 0;
  std::string only, replay;
#if defined(__SANITIZE_ADDRESS__)
  __sanitizer_set_death_callback(KeepInput);
#endif
  for (int k = 1; k + 1 < argc; k += 2) {
    const std::string flag = argv[k];
    if (flag == "--iterations") iterations = std::strtoull(argv[k + 1], nullptr, 10);
    else if (flag == "--seed") seed = g_seed = std::strtoull(argv[k + 1], nullptr, 10);
    else if (flag == "--target") only = argv[k + 1];
    else if (flag == "--replay") replay = argv[k + 1];
    else if (flag == "--max-seconds") maxSeconds = std::strtod(argv[k + 1], nullptr);
    else {
      std::fprintf(stderr, "unknown option %s\n", flag.c_str());
      return 2;
    }
  }
  std::error_code ec;
  const fs::path base = fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0
                            ? fs::path("/dev/shm")
                            : fs::temp_directory_path();
  g_dir = base / ("ondravik_fuzz_expression_" + std::to_string(::getpid()));
  fs::create_directories(g_dir);

  // Known data means for the limits and the loads.
  static TDataStats stats;
  ResetDataStats(stats, 0);
  stats.X.Mean = 2;
  stats.Y.Mean = 3;
  stats.Z.Mean = 4;
  ExprBindDataStats(&stats);
  FreshLanguage();

  int ran = 0;
  for (const Target& t : Targets()) {
    if (!only.empty() && t.name != only) continue;
    ++ran;
    FreshLanguage();
    if (!replay.empty()) {
      g_current = t.name + " replaying " + replay;
      t.run(FileBytes(replay), 0);
      continue;
    }
    std::uint64_t nameHash = 1469598103934665603ull;  // FNV-1a: the same on every machine
    for (char c : t.name) nameHash = (nameHash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    fuzz::Mutator mutator(t.seeds, t.dictionary, seed ^ nameHash, 1 << 12);
    g_accepted = 0;
    double slowest = 0;
    std::uint64_t slowestAt = 0;
    for (std::uint64_t i = 0; i < iterations; ++i) {
      if (i % 256 == 255) FreshLanguage();
      const Bytes input = i < t.seeds.size() ? t.seeds[i] : mutator.Next();
      g_current = t.name + " seed " + std::to_string(seed) + " iteration " + std::to_string(i);
      g_input = &input;
      g_inputTarget = t.name;
      const auto start = std::chrono::steady_clock::now();
      t.run(input, i);
      g_input = nullptr;
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (seconds > slowest) slowest = seconds, slowestAt = i;
      if (maxSeconds > 0 && seconds > maxSeconds) {
        const fs::path keep = fs::path("fuzz_expression_slow_" + t.name);
        WriteFile(keep, input);
        Fail("took " + std::to_string(seconds) + " s (input kept in " + keep.string() + ")");
      }
    }
    std::printf("%-10s %llu inputs, %llu compiled or loaded, slowest %.3f s (iteration %llu)\n", t.name.c_str(),
                static_cast<unsigned long long>(iterations), static_cast<unsigned long long>(g_accepted), slowest,
                static_cast<unsigned long long>(slowestAt));
  }
  FreeAllUdfs();
  ExprShutDown();
  fs::remove_all(g_dir);
  if (ran == 0) {
    std::fprintf(stderr, "no target named %s\n", only.c_str());
    return 2;
  }
  return 0;
}
