#include "expr/error_text.h"

#include <array>

#include "platform/string_table.h"

namespace {

// The string of each math-error code.
constexpr auto kRows = std::to_array<TExprErrorTextRow>({
    {-1, 3736}, {-2, 3737}, {-3, 3738}, {-6, 3742}, {-7, 3743}, {-8, 3744},
    {-9, 3745}, {-10, 3746}, {-11, 3747}, {-12, 3748}, {-13, 3749}, {-14, 3750},
    {-15, 3751}, {-16, 3752}, {-17, 3753}, {-18, 3754}, {-19, 3755}, {-20, 3756},
    {-21, 3757}, {-22, 3758}, {-23, 3759}, {-24, 3760}, {-25, 3761}, {-32, 3448},
    {-48, 3739}, {-49, 3740}, {-50, 3741}, {-64, 3762}, {-65, 3763}, {-66, 3764},
    {-100, 3765}, {-101, 3766}, {-102, 3767}, {-103, 3788}, {-104, 3789}, {-105, 3790}, {-106, 3791},
    {-107, 3792}, {-108, 3768}, {-109, 3769}, {-110, 3793}, {-111, 3794}, {-112, 3770}, {-120, 3771}, {-122, 3772}, {-123, 3773}, {-124, 3774}, {-125, 3775},
    {-126, 3776}, {-131, 3777}, {-132, 3778}, {-133, 3779}, {-134, 3780}, {-135, 3781},
    {-141, 3782}, {-142, 3783}, {-143, 3784}, {-144, 3785}, {-145, 3786}, {-146, 3787}, {-147, 3795},
});

// Strings of the syntax codes 0..7 of a data calculation, and of codes 1..6 of the view
// function (its code 0 has a string of its own).
constexpr int kSyntaxStrings = 3128;
constexpr int kSyntaxCodes = 8;
constexpr int kViewSyntaxStrings = 3210;
constexpr int kViewSyntaxLastCode = 6;
constexpr int kViewValidationString = 3201;

}  // namespace

std::span<const TExprErrorTextRow> ExprErrorTextRows() { return kRows; }

std::string_view ExprErrorText(int code) {
  for (const TExprErrorTextRow& row : kRows) {
    if (row.code == code) return platform::LoadString(row.stringId);
  }
  return {};
}

std::string_view ExprSyntaxText(int code) {
  if (code < 0 || code >= kSyntaxCodes) return {};
  return platform::LoadString(kSyntaxStrings + code);
}

std::string_view ExprViewSyntaxText(int code) {
  if (code == 0) return platform::LoadString(kViewValidationString);
  if (code < 1 || code > kViewSyntaxLastCode) return {};
  return platform::LoadString(kViewSyntaxStrings + code);
}
