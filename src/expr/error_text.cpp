#include "expr/error_text.h"

#include <array>

namespace {

// Letter for letter as the program's string table holds them, misspellings included.
constexpr auto kRows = std::to_array<TExprErrorTextRow>({
    {-1, 3736, "Division by Zero"},
    {-2, 3737, "Floating Point Overflow"},
    {-3, 3738, "Square Root: Negative Argument"},
    {-6, 3742, "Log: Zero Singularity"},
    {-7, 3743, "Log: Negative Argument"},
    {-8, 3744, "Factorial: Negative Argument"},
    {-9, 3745, "Factorial: Non-integer Argument"},
    {-10, 3746, "Factorial: Overflow"},
    {-11, 3747, "Hyperbolic Arccosine: Invalid Argument"},
    {-12, 3748, "Hyperbolic Arctangent: Invalid Argument"},
    {-13, 3749, "Arccos: Argument Outside -1 to 1"},
    {-14, 3750, "Arcsin: Argument Outside -1 to 1"},
    {-15, 3751, "Hyperbolic Cosine: Overflow"},
    {-16, 3752, "Hyperbolic Sine: Overflow"},
    {-17, 3753, "Exponential: Overflow"},
    {-18, 3754, "Arctangent: Inavlid Argument"},
    {-19, 3755, "Cosine: Total Precision Loss"},
    {-20, 3756, "Sine: Total Precision Loss"},
    {-21, 3757, "Tangent: Total Precision Loss"},
    {-22, 3758, "Power: Overflow"},
    {-23, 3759, "Power: Zero to Negative Exponent"},
    {-24, 3760, "Power: Negative Base, Fractional Exponent"},
    {-25, 3761, "Power: Zero to Zero Exponent"},
    {-32, 3448, "Insufficient Memory"},
    {-48, 3739, "80x87: Invalid Operand"},
    {-49, 3740, "80x87: Numeric Overflow"},
    {-50, 3741, "80x87: Division by Zero"},
    {-64, 3762, "Hankel-p: Convergence Failure"},
    {-65, 3763, "Hankel-q: Convergence Ffailure"},
    {-66, 3764, "Hankel-i,k: Convergence Failure"},
    {-100, 3765, "Integral: Convergence Failure"},
    {-101, 3766, "Integral: Failure due to Singularity"},
    {-102, 3767, "Gaussian Quadrature Overlay Missing"},
    {-103, 3788, "Calculus Functions Cannot Be Nested"},
    {-108, 3768, "Log Gamma: Singularity"},
    {-109, 3769, "Gamma: Singularity"},
    {-112, 3770, "Psi: Singularity"},
    {-120, 3771, "Incomplete Gamma: Convergence Failure"},
    {-122, 3772, "Incomplete Beta: Convergence Failure"},
    {-123, 3773, "Incomplete Gamma: Invalid Argument"},
    {-124, 3774, "Incomplete Gamma Complement: Invalid Argument"},
    {-125, 3775, "Incomplete Beta: Invalid Argument"},
    {-126, 3776, "Legendre: Invalid Argument"},
    {-131, 3777, "Bessel: Integer nu Required"},
    {-132, 3778, "Bessel: Positive x Required"},
    {-133, 3779, "Bessel: Negative nu"},
    {-134, 3780, "Bessel: Convergence Failure"},
    {-135, 3781, "Asymptotic Bessel: Confergence Failure"},
    {-141, 3782, "Confluent Hypergeometric M: Convergence Failure"},
    {-142, 3783, "Bernoulli: Integer Argument Required"},
    {-143, 3784, "Bernoulli: Positive Argument Required"},
    {-144, 3785, "Bernoulli Overlay Missing"},
    {-145, 3786, "Confluent Hypergeometric F: Convergence Failure"},
    {-146, 3787, "Bernoulli: Overflow"},
});

constexpr std::array<const char*, 8> kSyntaxTexts = {
    "Syntax or Math Error",         "Math Error After Reduction",
    "Invalid Variable",             "Invalid Floating Point Format",
    "Invalid Floating Point Range", "Invalid Symbol Reference",
    "Invalid Character",            "Function Number Must Be 1 to 9",
};

}  // namespace

std::span<const TExprErrorTextRow> ExprErrorTextRows() { return kRows; }

const char* ExprErrorText(int code) {
  for (const TExprErrorTextRow& row : kRows) {
    if (row.code == code) return row.text;
  }
  return "";
}

const char* ExprSyntaxText(int code) {
  if (code < 0 || code >= static_cast<int>(kSyntaxTexts.size())) return "";
  return kSyntaxTexts[static_cast<std::size_t>(code)];
}

const char* ExprViewSyntaxText(int code) {
  if (code == 0) return "View Function(X,Y) Validation Error";
  if (code < 1 || code > 6) return "";
  return kSyntaxTexts[static_cast<std::size_t>(code)];
}
