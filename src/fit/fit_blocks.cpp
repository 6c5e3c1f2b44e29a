#include "fit/fit_blocks.h"

#include <cmath>

#include "app/byte_codec.h"
#include "app/file_utils.h"
#include "app/settings_file.h"

namespace {

// The selection block and the older combined form, field offsets.
constexpr std::size_t kSelPolynomialMask = 0;
constexpr std::size_t kSelFlags = 12;
constexpr std::size_t kLegacyFlags = 12;
constexpr std::size_t kLegacyOptions = 252;  // seven 16-bit option fields
constexpr std::size_t kLegacyAbandonR2 = 266;
constexpr std::size_t kOptAbandonR2 = 40;
constexpr std::size_t kOptRobustMode = 58;

constexpr int kFirstExponentialFlag = 144;  // exponential and power groups: flags 144-167
constexpr int kLastPowerFlag = 167;

std::uint32_t ClampSigned(std::uint32_t value, std::uint32_t lo, std::uint32_t hi) {
  const auto v = static_cast<std::int32_t>(value);
  if (v < static_cast<std::int32_t>(lo)) return lo;
  if (v > static_cast<std::int32_t>(hi)) return hi;
  return value;
}

std::uint32_t Flag(std::uint32_t value) { return value != 0 ? 1 : 0; }

// A 16-bit field of the older form widened as the signed value it is.
std::uint32_t SignExtend(std::uint16_t v) {
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int16_t>(v)));
}

}  // namespace

TFitSelection DefaultFitSelection() {
  TFitSelection s;
  s.polynomialMask = kPolyX | kPolyLnX | kPolyInvX | kPolyY | kPolyLnY | kPolyInvY;  // 63
  s.rationalMask = kRatX | kRatLnX | kRatY | kRatLnY;                                // 27
  s.subsetMask = kSubsetZ;
  for (int i = kFirstExponentialFlag; i <= kLastPowerFlag; ++i) s.nonlinear[i] = 1;
  return s;
}

TFitOptions DefaultFitOptions() {
  TFitOptions o;
  ResetFitOptions(o);
  o.robustMode = kRobustLeastSquares;
  return o;
}

void ResetFitOptions(TFitOptions& o) {
  o.keepPolynomial = 10;
  o.keepRational = 10;
  o.keepSubset = 10;
  o.autoSvd = 0;
  o.noDofForError = 0;
  o.highestTerm = 65;
  o.digitThreshold = 5;
  o.maxIterations = 100;
  o.convergeDigits = 6;
  o.sortCriterion = 1;
  o.abandonR2 = 0.1L;
  o.checkIteration = 20;
  o.samplingFlag = 0;
}

void ClampFitSelection(TFitSelection& s) {
  for (int i = 0; i < kNonlinearFlagCount; ++i)
    s.nonlinear[i] =
        i < kNonlinearEquationCount ? static_cast<std::uint8_t>(Flag(s.nonlinear[i])) : 0;
}

void ClampFitOptions(TFitOptions& o) {
  o.keepPolynomial = ClampSigned(o.keepPolynomial, kKeepCountMin, kKeepCountMax);
  o.keepRational = ClampSigned(o.keepRational, kKeepCountMin, kKeepCountMax);
  o.keepSubset = ClampSigned(o.keepSubset, kKeepCountMin, kKeepCountMax);
  o.autoSvd = Flag(o.autoSvd);
  o.noDofForError = Flag(o.noDofForError);
  o.highestTerm = ClampSigned(o.highestTerm, kHighestTermMin, kHighestTermMax);
  o.digitThreshold = ClampSigned(o.digitThreshold, kDigitThresholdMin, kDigitThresholdMax);
  o.maxIterations = ClampSigned(o.maxIterations, kMaxIterationsMin, kMaxIterationsMax);
  o.convergeDigits = ClampSigned(o.convergeDigits, kConvergeDigitsMin, kConvergeDigitsMax);
  if (!std::isfinite(o.abandonR2)) o.abandonR2 = 0.1L;
  o.samplingFlag = Flag(o.samplingFlag);
  // A mode is a choice, not a magnitude: an unknown one falls back to least squares.
  if (o.robustMode > kRobustPearsonVII) o.robustMode = kRobustLeastSquares;
}

std::vector<std::uint8_t> EncodeFitSelection(const TFitSelection& s) {
  bytes::ByteWriter w;
  w.U32(s.polynomialMask);
  w.U32(s.rationalMask);
  w.U32(s.subsetMask);
  w.Raw(s.nonlinear.data(), s.nonlinear.size());
  return w.Take();
}

std::vector<std::uint8_t> EncodeFitOptions(const TFitOptions& o) {
  bytes::ByteWriter w;
  for (std::uint32_t v :
       {o.keepPolynomial, o.keepRational, o.keepSubset, o.autoSvd, o.noDofForError, o.highestTerm,
        o.digitThreshold, o.maxIterations, o.convergeDigits, o.sortCriterion})
    w.U32(v);
  w.Extended(o.abandonR2);
  w.U32(o.checkIteration);
  w.U32(o.samplingFlag);
  w.U32(o.robustMode);
  return w.Take();
}

bool DecodeFitSelection(std::span<const std::uint8_t> data, TFitSelection& selection) {
  if (data.size() != kFitSelectionBytes) return false;
  bytes::ByteReader r(data);
  TFitSelection s;
  r.Seek(kSelPolynomialMask);
  s.polynomialMask = r.U32();
  s.rationalMask = r.U32();
  s.subsetMask = r.U32();
  r.Seek(kSelFlags);
  r.Raw(s.nonlinear.data(), s.nonlinear.size());
  if (!r.Ok()) return false;
  ClampFitSelection(s);
  selection = s;
  return true;
}

bool DecodeFitOptions(std::span<const std::uint8_t> data, TFitOptions& options) {
  if (data.size() != kFitOptionsBytes) return false;
  bytes::ByteReader r(data);
  TFitOptions o;
  for (std::uint32_t* field :
       {&o.keepPolynomial, &o.keepRational, &o.keepSubset, &o.autoSvd, &o.noDofForError,
        &o.highestTerm, &o.digitThreshold, &o.maxIterations, &o.convergeDigits, &o.sortCriterion})
    *field = r.U32();
  r.Seek(kOptAbandonR2);
  o.abandonR2 = r.Extended();
  o.checkIteration = r.U32();
  o.samplingFlag = r.U32();
  r.Seek(kOptRobustMode);
  o.robustMode = r.U32();
  if (!r.Ok()) return false;
  ClampFitOptions(o);
  options = o;
  return true;
}

bool DecodeLegacyFitBlocks(std::span<const std::uint8_t> data, TFitSelection& selection,
                           TFitOptions& options) {
  if (data.size() != kLegacyFitBlocksBytes) return false;
  bytes::ByteReader r(data);
  TFitSelection s;
  TFitOptions o = options;  // keeps the robust mode
  s.polynomialMask = SignExtend(r.U16());
  o.keepPolynomial = SignExtend(r.U16());
  s.rationalMask = SignExtend(r.U16());
  o.keepRational = SignExtend(r.U16());
  s.subsetMask = SignExtend(r.U16());
  o.keepSubset = SignExtend(r.U16());
  r.Seek(kLegacyFlags);
  r.Raw(s.nonlinear.data(), s.nonlinear.size());
  r.Seek(kLegacyOptions);
  for (std::uint32_t* field : {&o.autoSvd, &o.noDofForError, &o.highestTerm, &o.digitThreshold,
                               &o.maxIterations, &o.convergeDigits, &o.sortCriterion})
    *field = SignExtend(r.U16());
  r.Seek(kLegacyAbandonR2);
  o.abandonR2 = r.Extended();
  o.checkIteration = SignExtend(r.U16());
  o.samplingFlag = SignExtend(r.U16());
  if (!r.Ok()) return false;
  ClampFitSelection(s);
  ClampFitOptions(o);
  selection = s;
  options = o;
  return true;
}

namespace {

// A file of its own block's size, or of the older combined form. The size is checked before
// anything is read.
template <typename DecodeOwnBlock>
bool ReadFitFile(const std::filesystem::path& path, std::size_t ownSize, TFitSelection& selection,
                 TFitOptions& options, DecodeOwnBlock decodeOwnBlock) {
  const std::int64_t size = FileSize(path);
  if (size != static_cast<std::int64_t>(ownSize) &&
      size != static_cast<std::int64_t>(kLegacyFitBlocksBytes))
    return false;
  const std::vector<std::uint8_t> data = LoadFileToGlobal(path);
  if (data.size() == kLegacyFitBlocksBytes) return DecodeLegacyFitBlocks(data, selection, options);
  return decodeOwnBlock(data);
}

}  // namespace

bool ReadFitSelectionFile(const std::filesystem::path& path, TFitSelection& selection,
                          TFitOptions& options) {
  return ReadFitFile(
      path, kFitSelectionBytes, selection, options,
      [&](std::span<const std::uint8_t> d) { return DecodeFitSelection(d, selection); });
}

bool ReadFitOptionsFile(const std::filesystem::path& path, TFitSelection& selection,
                        TFitOptions& options) {
  return ReadFitFile(path, kFitOptionsBytes, selection, options,
                     [&](std::span<const std::uint8_t> d) { return DecodeFitOptions(d, options); });
}

bool WriteFitSelectionFile(const std::filesystem::path& path, const TFitSelection& selection) {
  return SaveGlobalToFile(EncodeFitSelection(selection), path);
}

bool WriteFitOptionsFile(const std::filesystem::path& path, const TFitOptions& options) {
  return SaveGlobalToFile(EncodeFitOptions(options), path);
}

void LoadFitBlocksFromSettings(const ProgramSettings& settings, TFitSelection& selection,
                               TFitOptions& options) {
  // The settings image holds both blocks at their exact size; a block that did not decode
  // keeps the values the caller passed in.
  (void)DecodeFitSelection(settings.fitSelection, selection);
  (void)DecodeFitOptions(settings.fitOptions, options);
}

void StoreFitBlocksInSettings(ProgramSettings& settings, const TFitSelection& selection,
                              const TFitOptions& options) {
  settings.fitSelection = EncodeFitSelection(selection);
  settings.fitOptions = EncodeFitOptions(options);
}
