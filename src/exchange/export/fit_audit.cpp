#include "exchange/export/fit_audit.h"

#include <algorithm>
#include <cctype>

#include "app/byte_codec.h"
#include "app/c_format.h"
#include "app/file_utils.h"
#include "app/number_format.h"
#include "exchange/export/export_tables.h"
#include "fit/fit_statistics.h"

namespace {

// Digits of the one-line form: the level above 20 (levels 21-98 and above 99).
bool AuditIsOneLine(int level) { return level > 20 && level != kAuditBinaryLevel; }

std::string BinaryAudit(std::span<const TFitEqn> fits) {
  bytes::ByteWriter w;
  w.I32(static_cast<std::int32_t>(fits.size()));
  for (const TFitEqn& f : fits) {
    w.I32(f.rank);
    w.I32(f.equationNumber);
    w.Extended(f.sse);
  }
  const std::vector<std::uint8_t> b = w.Take();
  return std::string(b.begin(), b.end());
}

// The name of parameter j: the review's letter name in capitals (A .. V, then AA, AB, ..),
// so that every parameter of a large fit has a name and the same one as in the review.
std::string AuditParameterName(int j) {
  std::string name = ExportParameterLetter(j);
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

void AppendBlock(std::string& s, const TFitEqn& f, int digits) {
  s += CFormat("RANK = %d\r\n", f.rank);
  s += CFormat("EQN = %d\r\n", f.equationNumber);
  s += CFormat("COEF = %d\r\n", f.m + 1);
  s += CFormat("SSM = %.*Lg\r\n", digits, f.sst);
  s += CFormat("SSE = %.*Lg\r\n", digits, f.sse);
  const int count = std::clamp(f.m + 1, 0, static_cast<int>(f.parameters.size()));
  // A figure that cannot be formed is written as the word for it, not as a stand-in number.
  for (int j = 0; j < count; ++j)
    s += CFormat("%s = %.*Lg  SE = %s\r\n", AuditParameterName(j).c_str(), digits,
                 UnsignedZero(f.parameters[static_cast<std::size_t>(j)]),
                 FormatFigure(f.parameterErrors[static_cast<std::size_t>(j)], digits).c_str());
  // A fit without a degree of freedom has no error estimate (its fit standard error cannot
  // be formed); the record's DOF of 1 is only what its t values are read at.
  s += FitStdErrorKnown(f.fitStdError) ? CFormat("DOF = %d\r\n", f.dof) : CFormat("DOF = %s\r\n", kMissingFigureText);
  const FitStatistics shown = ShownStatistics(f);
  s += "R2 = " + FormatFigure(shown.r2, digits) + "\r\n";
  s += "DOF R2 = " + FormatFigure(shown.adjustedR2, digits) + "\r\n";
  s += "SE = " + FormatFigure(shown.fitStdError, digits) + "\r\n";
  s += "F STAT = " + FormatFigure(shown.f, digits) + "\r\n";
  s += "\r\n";
}

}  // namespace

std::string AuditFileBytes(int level, std::span<const TFitEqn> fits) {
  if (AuditIsBinary(level)) return BinaryAudit(fits);
  std::string s;
  if (level != 5) s += CFormat("EQNS = %d\r\n\r\n", static_cast<int>(fits.size()));
  if (AuditIsOneLine(level)) {
    for (const TFitEqn& f : fits)
      s += CFormat("RANK = %d  EQN = %d  SSE = %.*Lg\r\n", f.rank, f.equationNumber, level - 20, f.sse);
  } else {
    // Levels below 1 do not reach here from the command line (0 offers no audit); they are
    // printed as one digit rather than as printf's default of six.
    const int digits = std::max(level, 1);
    for (const TFitEqn& f : fits) AppendBlock(s, f, digits);
  }
  return s;
}

std::string CovarianceFileText(const TFitSide& fit) {
  const int n = fit.eqn.m + 1;
  if (fit.covarianceValid == 0 || fit.covariance.Rows() < n || fit.covariance.Cols() < n) return {};
  // Without a fit standard error (no degree of freedom left) the matrix has no scale.
  if (!FitStdErrorKnown(fit.eqn.fitStdError)) return {};
  const long double s2 = fit.eqn.fitStdError * fit.eqn.fitStdError;
  std::string s;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) s += CFormat("%-12.6Lg  ", fit.covariance[i][j] * s2);
    s += "\r\n";
  }
  return s;
}

bool WriteAuditFile(const std::filesystem::path& path, int level, std::span<const TFitEqn> fits) {
  return SaveGlobalToFile(AuditFileBytes(level, fits), path);
}

bool WriteCovarianceFile(const std::filesystem::path& path, const TFitSide& fit) {
  const std::string text = CovarianceFileText(fit);
  return !text.empty() && SaveGlobalToFile(text, path);
}
