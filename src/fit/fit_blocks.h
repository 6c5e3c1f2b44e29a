// The two blocks that decide what a fit run fits and how: `TFitSelection` (the equation
// families and non-linear equations) and `TFitOptions` (keep counts, solver switches, order
// limit, iteration and convergence limits, ranking criterion, robust mode). Both are kept in
// the settings file and saved by the user as custom equation sets (.fit, the 252-byte
// selection) and fit preferences (.ftp, the 62-byte options). An older 280-byte file holds
// both blocks with 16-bit fields; both readers accept it.
//
// Every block read from a file is checked for its size and has every value clamped into its
// range, so that a damaged or hostile file can never steer a run outside its limits.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

struct ProgramSettings;

inline constexpr std::size_t kFitSelectionBytes = 252;
inline constexpr std::size_t kFitOptionsBytes = 62;
inline constexpr std::size_t kLegacyFitBlocksBytes = 280;

inline constexpr int kNonlinearFlagCount = 240;
inline constexpr int kNonlinearEquationCount = 172;  // flags 0..171 select 2001..2172

// Polynomial family mask bits.
inline constexpr std::uint32_t kPolyX = 1u << 0;
inline constexpr std::uint32_t kPolyLnX = 1u << 1;
inline constexpr std::uint32_t kPolyInvX = 1u << 2;
inline constexpr std::uint32_t kPolyY = 1u << 3;
inline constexpr std::uint32_t kPolyLnY = 1u << 4;
inline constexpr std::uint32_t kPolyInvY = 1u << 5;
inline constexpr std::uint32_t kPolyChebyshev = 1u << 6;
inline constexpr std::uint32_t kPolyFourier = 1u << 7;
inline constexpr std::uint32_t kPolyCosine = 1u << 8;
inline constexpr std::uint32_t kPolySigmoid = 1u << 9;
inline constexpr std::uint32_t kPolyFourier2 = 1u << 10;
inline constexpr std::uint32_t kPolyChebyshevLog = 1u << 11;
inline constexpr std::uint32_t kPolyMaskAll = 4095;
// Rational family mask bits (bit 2 is unused).
inline constexpr std::uint32_t kRatX = 1u << 0;
inline constexpr std::uint32_t kRatLnX = 1u << 1;
inline constexpr std::uint32_t kRatY = 1u << 3;
inline constexpr std::uint32_t kRatLnY = 1u << 4;
inline constexpr std::uint32_t kRatChebyshev = 1u << 5;
inline constexpr std::uint32_t kRatChebyshevLog = 1u << 6;
inline constexpr std::uint32_t kRatMaskAll = 123;
// Term-subset mask bits: fits of Z, ln Z and 1/Z.
inline constexpr std::uint32_t kSubsetZ = 1u << 0;
inline constexpr std::uint32_t kSubsetLnZ = 1u << 1;
inline constexpr std::uint32_t kSubsetInvZ = 1u << 2;
inline constexpr std::uint32_t kSubsetMaskAll = 7;

struct TFitSelection {
  std::uint32_t polynomialMask = 0;
  std::uint32_t rationalMask = 0;
  std::uint32_t subsetMask = 0;
  // Flag i (1 selected, 0 not) selects equation 2001 + i for i = 0..171; 172..239 are 0.
  std::array<std::uint8_t, kNonlinearFlagCount> nonlinear{};

  bool operator==(const TFitSelection&) const = default;
};

// Robust modes of the non-linear fitter.
enum RobustMode : std::uint32_t {
  kRobustLeastSquares = 0,
  kRobustLeastAbsDev = 1,
  kRobustLorentzian = 2,
  kRobustPearsonVII = 3,
};

struct TFitOptions {
  std::uint32_t keepPolynomial = 0;  // fits kept per term count, polynomial and series
  std::uint32_t keepRational = 0;
  std::uint32_t keepSubset = 0;      // per term-subset variant and term count
  std::uint32_t autoSvd = 0;         // automatic SVD on ill-conditioned matrices (0/1)
  std::uint32_t noDofForError = 0;   // for error-free data (0/1)
  std::uint32_t highestTerm = 0;     // highest term count minus 1
  std::uint32_t digitThreshold = 0;  // term significant digit threshold
  std::uint32_t maxIterations = 0;
  std::uint32_t convergeDigits = 0;  // converge to significant digits in r²
  std::uint32_t sortCriterion = 0;   // ranking code: 1, 2, 4, 8, 16, 64, optionally + 4096
  long double abandonR2 = 0.0L;      // non-linear fits below this r² at the check are dropped
  std::uint32_t checkIteration = 0;
  std::uint32_t samplingFlag = 0;  // coarse-to-fine sampling of the points (0/1)
  std::uint32_t robustMode = 0;    // `RobustMode`

  bool operator==(const TFitOptions&) const = default;
};

// Ranges of the option values (the fit preferences dialog offers the same).
inline constexpr std::uint32_t kKeepCountMin = 1, kKeepCountMax = 200;
inline constexpr std::uint32_t kHighestTermMin = 1, kHighestTermMax = 65;
inline constexpr std::uint32_t kDigitThresholdMin = 1, kDigitThresholdMax = 15;
inline constexpr std::uint32_t kMaxIterationsMin = 2, kMaxIterationsMax = 9999;
inline constexpr std::uint32_t kConvergeDigitsMin = 3, kConvergeDigitsMax = 15;

// The program's defaults: polynomial mask 63, rational mask 27, subsets of Z, and the
// exponential and power groups (flags 144-167) of the non-linear equations.
TFitSelection DefaultFitSelection();
// The defaults of a first start (robust mode least squares).
TFitOptions DefaultFitOptions();
// "Reset All Defaults": every option to its default but the robust mode, which stays.
void ResetFitOptions(TFitOptions& options);

// Bring every value into its range. Flags become 0 or 1 and the unused flag bytes 0;
// counts, orders and digit limits are clamped as signed values into their ranges; a robust
// mode outside 0..3 becomes least squares; an abandon r² that is not a finite number gets its
// default. The masks and the ranking code keep their bits: unknown bits select nothing.
void ClampFitSelection(TFitSelection& selection);
void ClampFitOptions(TFitOptions& options);

// The blocks as files and the settings file hold them, little-endian.
std::vector<std::uint8_t> EncodeFitSelection(const TFitSelection& selection);
std::vector<std::uint8_t> EncodeFitOptions(const TFitOptions& options);
// False (block untouched) unless the bytes are exactly the block's size; values clamped.
[[nodiscard]] bool DecodeFitSelection(std::span<const std::uint8_t> bytes, TFitSelection& selection);
[[nodiscard]] bool DecodeFitOptions(std::span<const std::uint8_t> bytes, TFitOptions& options);
// The older 280-byte form: every 16-bit field sign-extended into its 32-bit field, then
// clamped. The robust mode, which that form lacks, is left as it is. False (both blocks
// untouched) unless the bytes are exactly 280.
[[nodiscard]] bool DecodeLegacyFitBlocks(std::span<const std::uint8_t> bytes, TFitSelection& selection,
                           TFitOptions& options);

// A custom equation set (.fit): 252 bytes replace the selection, 280 bytes both blocks (the
// options but their robust mode). A file of any other size, or one that cannot be read,
// changes nothing and gives false.
[[nodiscard]] bool ReadFitSelectionFile(const std::filesystem::path& path, TFitSelection& selection,
                          TFitOptions& options);
// Fit preferences (.ftp): 62 bytes replace the options, 280 bytes both blocks.
[[nodiscard]] bool ReadFitOptionsFile(const std::filesystem::path& path, TFitSelection& selection,
                        TFitOptions& options);
// Write the 252 or 62 bytes through a temporary file and a rename: a failed write leaves an
// existing file as it was.
[[nodiscard]] bool WriteFitSelectionFile(const std::filesystem::path& path, const TFitSelection& selection);
[[nodiscard]] bool WriteFitOptionsFile(const std::filesystem::path& path, const TFitOptions& options);

// Between a session's blocks (FitSelection, FitOptions of fit_session.h) and the byte blocks
// of the settings file: at start-up after the settings are read, and before they are saved.
// A block of a wrong size in the settings leaves the session's block as it was.
void LoadFitBlocksFromSettings(const ProgramSettings& settings, TFitSelection& selection,
                               TFitOptions& options);
void StoreFitBlocksInSettings(ProgramSettings& settings, const TFitSelection& selection,
                              const TFitOptions& options);
