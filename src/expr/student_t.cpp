// Two-sided critical values of Student's t by rational approximations in the degrees of
// freedom n (and z = 1/n), each tending to its normal quantile c3 as n grows:
//   t(n) = (((c0 z + c1) z + c2) z + c3 n + c4) / ((((c5 z + c6) z + c7) z + c8) z + n + s c9)
// with s = +1 at 90 and 95 per cent and -1 at 99, 99.9 and 99.99 per cent.
#include <array>

#include "expr/builtins.h"
#include "expr/special_functions.h"

namespace {

struct TStudentTCoefficients {
  std::array<double, 10> c;  // the 64-bit doubles, widened when used
  long double sign;
};

constexpr TStudentTCoefficients kT90 = {
    {0.4829267863263470018, 0.5384900789461265491, 1.666327443263581065, 1.644853626951472636,
     2.427408559626170970, -0.1084534323014181983, 0.4014574629735309097,
     -0.4124247708763156828, -0.3592728521913530759, 0.5493734371853511433},
    1};
constexpr TStudentTCoefficients kT95 = {
    {1.065308104742876072, 1.817159395491436902, 2.611238340369141930, 1.959963984540054271,
     2.878220250798169122, -0.08127833134501533108, 0.2968538802573132962,
     -0.2403571162799097993, -0.4202229444107964951, 0.2581418939759704267},
    1};
constexpr TStudentTCoefficients kT99 = {
    {2.955246956623525101, 5.263645290548402578, 5.266875379091773723, 2.575829303548900828,
     2.793629494382610101, -0.005126978109425845039, 0.1459860010697034138,
     -0.2087140717693841963, 0.1882291026635080911, 0.8241724887305914571},
    -1};
constexpr TStudentTCoefficients kT999 = {
    {29.11062801162935898, 26.55938902500333043, 16.56956221630509063, 3.290526731491894896,
     6.899993799865509203, -0.03977844565821733736, 0.2744201464173919858,
     0.1416174974044729917, -0.3873087000713053007, 0.8594694799113827832},
    -1};
constexpr TStudentTCoefficients kT9999 = {
    {217.7361801366267002, 70.02933705036222989, 41.55952005401123728, 3.890591886413094169,
     12.00569548096381922, 0.3164321853298769915, 0.2098720045560630021,
     -0.04815295768057802073, -0.4858501572162238769, 0.9380738341566249305},
    -1};

long double StudentT(const TStudentTCoefficients& t, long double n) {
  if (n < 1) n = 1;
  const auto c = [&t](int i) { return static_cast<long double>(t.c[static_cast<std::size_t>(i)]); };
  const long double z = 1 / n;
  const long double num = ((c(0) * z + c(1)) * z + c(2)) * z + c(3) * n + c(4);
  const long double den = (((c(5) * z + c(6)) * z + c(7)) * z + c(8)) * z + n + t.sign * c(9);
  return num / den;
}

}  // namespace

long double StudentT90(long double n) { return StudentT(kT90, n); }
long double StudentT95(long double n) { return StudentT(kT95, n); }
long double StudentT99(long double n) { return StudentT(kT99, n); }
long double StudentT999(long double n) { return StudentT(kT999, n); }
long double StudentT9999(long double n) { return StudentT(kT9999, n); }

long double BuiltinT90(ExprContext&, const long double* a) { return StudentT90(a[0]); }
long double BuiltinT95(ExprContext&, const long double* a) { return StudentT95(a[0]); }
long double BuiltinT99(ExprContext&, const long double* a) { return StudentT99(a[0]); }
long double BuiltinT999(ExprContext&, const long double* a) { return StudentT999(a[0]); }
long double BuiltinT9999(ExprContext&, const long double* a) { return StudentT9999(a[0]); }
