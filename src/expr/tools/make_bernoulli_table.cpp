// Writes the Bernoulli table "QVBERN.OVL": B_0, B_2, ..., B_200 as 80-bit extended reals,
// each the long double nearest the exact rational number.
//
// The numbers are computed exactly in integers, through the tangent numbers T_n (the
// Taylor coefficients of tan x times (2n - 1)!) and
//   B_2n = (-1)^(n-1) 2n T_n / (2^2n (2^2n - 1)),
// with T_n from the recurrence of Brent and Harvey ("Fast computation of Bernoulli,
// Tangent and Secant numbers", 2011), which needs only additions and multiplications by
// small numbers. The quotient is then rounded once, to nearest with ties to even, to a
// 64-bit significand.
//
// Usage: make_bernoulli_table <output file>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "app/file_utils.h"
#include "expr/bernoulli_numbers.h"

namespace {

// A non-negative integer of any size, 32 bits per limb, least significant first.
class BigNat {
 public:
  explicit BigNat(std::uint32_t v = 0) {
    if (v) limbs_.push_back(v);
  }

  bool IsZero() const { return limbs_.empty(); }

  int BitLength() const {
    if (limbs_.empty()) return 0;
    return 32 * static_cast<int>(limbs_.size() - 1) + (32 - __builtin_clz(limbs_.back()));
  }

  bool Bit(int i) const {
    const auto limb = static_cast<std::size_t>(i / 32);
    return limb < limbs_.size() && ((limbs_[limb] >> (i % 32)) & 1u);
  }

  BigNat& MulSmall(std::uint32_t m) {
    std::uint64_t carry = 0;
    for (std::uint32_t& l : limbs_) {
      const std::uint64_t v = static_cast<std::uint64_t>(l) * m + carry;
      l = static_cast<std::uint32_t>(v);
      carry = v >> 32;
    }
    if (carry) limbs_.push_back(static_cast<std::uint32_t>(carry));
    Trim();
    return *this;
  }

  BigNat& Add(const BigNat& o) {
    if (o.limbs_.size() > limbs_.size()) limbs_.resize(o.limbs_.size(), 0);
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
      const std::uint64_t v =
          static_cast<std::uint64_t>(limbs_[i]) + (i < o.limbs_.size() ? o.limbs_[i] : 0) + carry;
      limbs_[i] = static_cast<std::uint32_t>(v);
      carry = v >> 32;
    }
    if (carry) limbs_.push_back(static_cast<std::uint32_t>(carry));
    return *this;
  }

  // this - o, for o <= this.
  BigNat& Sub(const BigNat& o) {
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
      std::int64_t v = static_cast<std::int64_t>(limbs_[i]) - borrow -
                       static_cast<std::int64_t>(i < o.limbs_.size() ? o.limbs_[i] : 0);
      borrow = v < 0 ? 1 : 0;
      if (v < 0) v += std::int64_t{1} << 32;
      limbs_[i] = static_cast<std::uint32_t>(v);
    }
    Trim();
    return *this;
  }

  BigNat Shifted(int bits) const {
    BigNat r;
    const auto whole = static_cast<std::size_t>(bits / 32);
    const int part = bits % 32;
    r.limbs_.assign(whole, 0);
    std::uint32_t carry = 0;
    for (const std::uint32_t l : limbs_) {
      r.limbs_.push_back(part ? (l << part) | carry : l);
      carry = part ? l >> (32 - part) : 0;
    }
    if (carry) r.limbs_.push_back(carry);
    r.Trim();
    return r;
  }

  friend int Compare(const BigNat& a, const BigNat& b) {
    if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
    for (std::size_t i = a.limbs_.size(); i-- > 0;) {
      if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
    }
    return 0;
  }

 private:
  void Trim() {
    while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
  }
  std::vector<std::uint32_t> limbs_;
};

// 2^k.
BigNat PowerOfTwo(int k) { return BigNat(1).Shifted(k); }

// The tangent numbers T_1 .. T_n.
std::vector<BigNat> TangentNumbers(int n) {
  std::vector<BigNat> t(static_cast<std::size_t>(n) + 1);
  t[1] = BigNat(1);
  for (int k = 2; k <= n; ++k) t[k] = BigNat(t[k - 1]).MulSmall(static_cast<std::uint32_t>(k - 1));
  for (int k = 2; k <= n; ++k) {
    for (int j = k; j <= n; ++j) {
      BigNat a = BigNat(t[j - 1]).MulSmall(static_cast<std::uint32_t>(j - k));
      t[j] = a.Add(BigNat(t[j]).MulSmall(static_cast<std::uint32_t>(j - k + 2)));
    }
  }
  return t;
}

// num / den rounded to the nearest long double (ties to even), for num, den > 0.
long double RoundedQuotient(const BigNat& num, const BigNat& den) {
  // Scale so that the integer quotient has 66 or 67 bits: 64 for the significand, then the
  // rounding bit and more, with the remainder as the sticky bit.
  const int shift = 66 + den.BitLength() - num.BitLength();
  BigNat n = shift >= 0 ? num.Shifted(shift) : num;
  const BigNat d = shift >= 0 ? den : den.Shifted(-shift);
  unsigned __int128 q = 0;
  for (int bit = n.BitLength() - d.BitLength(); bit >= 0; --bit) {
    const BigNat part = d.Shifted(bit);
    if (Compare(n, part) >= 0) {
      n.Sub(part);
      q |= static_cast<unsigned __int128>(1) << bit;
    }
  }
  const bool sticky = !n.IsZero();
  int drop = 0;
  while ((q >> drop) >= (static_cast<unsigned __int128>(1) << 64)) ++drop;
  std::uint64_t mantissa = static_cast<std::uint64_t>(q >> drop);
  const unsigned __int128 rest = q & ((static_cast<unsigned __int128>(1) << drop) - 1);
  const unsigned __int128 half = drop ? static_cast<unsigned __int128>(1) << (drop - 1) : 0;
  const bool roundUp = drop && (rest > half || (rest == half && (sticky || (mantissa & 1))));
  int exponent = drop - shift;
  if (roundUp && ++mantissa == 0) {  // carried out of 64 bits
    mantissa = std::uint64_t{1} << 63;
    ++exponent;
  }
  return std::ldexp(static_cast<long double>(mantissa), exponent);
}

TBernoulliTable ExactTable() {
  constexpr int kLast = static_cast<int>(kBernoulliTableEntries) - 1;  // B_200 = B_2x100
  const std::vector<BigNat> tangent = TangentNumbers(kLast);
  TBernoulliTable table{};
  table[0] = 1;  // B_0
  for (int n = 1; n <= kLast; ++n) {
    BigNat num = BigNat(tangent[n]).MulSmall(static_cast<std::uint32_t>(2 * n));
    BigNat den = PowerOfTwo(2 * n).Sub(BigNat(1));  // 2^2n - 1; the 2^2n is the exponent
    const long double magnitude = std::ldexp(RoundedQuotient(num, den), -2 * n);
    table[static_cast<std::size_t>(n)] = n % 2 == 1 ? magnitude : -magnitude;
  }
  return table;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
    return 2;
  }
  const std::vector<std::uint8_t> bytes = EncodeBernoulliTable(ExactTable());
  if (bytes.size() != kBernoulliTableBytes || !SaveGlobalToFile(bytes, argv[1])) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
