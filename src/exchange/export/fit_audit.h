// Two files of the fits under review: the audit file, the statistics of every listed fit in
// list order, and the covariance matrix of one fit.
//
// The audit file's form follows the audit level of the command line:
//   99            binary: the fit count (int32), then per fit rank (int32), equation number
//                 (int32) and SSE (10-byte extended real), 4 + 18 n bytes in all
//   21-98, 100+   text: "EQNS = n", a blank line, one line per fit with the SSE to
//                 level - 20 significant digits
//   5             text: one block per fit (rank, equation, parameters with their standard
//                 errors, DOF, r², adjusted r², standard error, F) to 5 digits, no header
//   1-4, 6-20     the same blocks to `level` digits under the "EQNS = n" header
// Text lines end with CR LF.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "fit/fit_side.h"

inline constexpr int kAuditBinaryLevel = 99;

// True for the binary form.
inline bool AuditIsBinary(int level) { return level == kAuditBinaryLevel; }

// The file's bytes for the fits in list order; each holds its rank and, for the block form,
// its parameter standard errors (a refit with the covariance).
std::string AuditFileBytes(int level, std::span<const TFitEqn> fits);

// The covariance matrix s² C⁻¹ of a fit refitted with its covariance, one line per row,
// fields "%-12.6Lg" each followed by two blanks; empty when the side holds no matrix.
std::string CovarianceFileText(const TFitSide& fit);

// Writes a whole file (through a temporary file renamed over the path, so an existing file
// stays as it was when the write fails); false when it could not be written.
[[nodiscard]] bool WriteAuditFile(const std::filesystem::path& path, int level, std::span<const TFitEqn> fits);
[[nodiscard]] bool WriteCovarianceFile(const std::filesystem::path& path, const TFitSide& fit);
