// Identity of a term-subset equation: its equation number, its complexity score and the
// display names of its terms and Z variant. All are pure functions of the fit's term list:
// entry 0 the Z variant v (0 z, 1 ln z, 2 1/z), entries 1..k the candidate-term codes
// (0..41) in ascending order, 2 <= k <= 8.
//
// Equation numbers give every subset of every size and variant a number of its own:
//
//   number = 3001 + v·151229238 + B_k + L_k
//
// with B_k the number of subsets of fewer terms (Σ_{j=2..k-1} C(42, j)) and L_k the 0-based
// lexicographic index of the ascending k-subset among all k-subsets of the 42 codes. One
// variant's block holds Σ_{j=2..8} C(42, j) = 151229238 numbers: z takes 3001..151232238,
// ln z 151232239..302461476 and 1/z 302461477..453690714.
#pragma once

#include <cstdint>
#include <span>

inline constexpr int kSubsetMinTerms = 2;
inline constexpr int kSubsetMaxTerms = 8;
inline constexpr int kFirstSubsetEquation = 3001;
inline constexpr std::int32_t kSubsetVariantBlock = 151229238;

// Equation number of a term list (entries 0..k); 0 for a list that names no subset (k
// outside 2..8, a variant outside 0..2, a code outside 0..41 or a code twice). The term
// codes are ranked in ascending order whatever order the list holds them in.
std::int32_t SubsetEquationNumber(std::span<const std::int32_t> terms, int k);

// 0-based lexicographic index of the pair a < b among the pairs of n items.
std::int32_t RankPair(int a, int b, int n);

// Complexity score: k·2.06 plus the cost of every term and of the variant, summed in single
// precision and rounded to the nearest integer.
std::int32_t SubsetComplexity(std::span<const std::int32_t> terms, int k);
// Cost of one candidate term (the same for a term of x and its y twin 21 higher); 0 for any
// other code.
float TermComplexity(int code);
// Cost of the Z variant: z 0, ln z 6.89, 1/z 1.51; 0 for any other.
float VariantComplexity(int variant);

// Coded-text names of the term codes of every linear family (200 entries): 0..41 the
// candidate terms, 50..169 the powers of the polynomial and rational families, 170..198 the
// cross terms; entries 42..49, 179, 189 and 199 hold their own numbers. A leading "/" reads
// as 1/..., written after a coefficient.
inline constexpr int kSubsetTermNameCount = 200;
extern const char* const* const SubsetTermNames;
// Names of the Z variants 0..2: "z", "lnz", "z~^-1~^".
extern const char* const SubsetVariantNames[3];
// The name of a term code, or "" for a code outside the table.
const char* SubsetTermName(int code);
// The name of a Z variant, or "" for any other.
const char* SubsetVariantName(int variant);
