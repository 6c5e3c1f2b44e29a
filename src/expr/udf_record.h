// The user-defined functions: up to 15 records of a session's UdfTable, each a function of X
// and Y with up to ten parameters A0..A9 written in the calculation language.
//
// The record holds every field of the stored 3945-byte layout (written field by field by
// the user-function files, never as a struct). Function k (0..14) compiles its Z line into
// program slot 10k and its lines F1..F9 into slots 10k+1..10k+9.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

inline constexpr int kUdfCount = 15;
inline constexpr int kUdfMaxParams = 10;
inline constexpr std::size_t kUdfNameSize = 11;    // 10 characters and the terminator
inline constexpr std::size_t kUdfTextSize = 1024;  // 1023 characters and the terminator
inline constexpr std::size_t kUdfExprTextSize = 80;
inline constexpr std::size_t kUdfRecordBytes = 3945;

struct TUdfRecord {
  std::array<char, kUdfNameSize> Name{};
  std::int16_t ParamCount = 0;  // 1..10 for a valid function
  std::int16_t LineCount = 0;   // lines of Text
  // The function's lines, each ended by CR LF (a lone LF is accepted), NUL-terminated.
  std::array<char, kUdfTextSize> Text{};
  std::array<long double, kUdfMaxParams> Lower{};
  std::array<long double, kUdfMaxParams> Start{};  // A0..A9 at the start of a fit
  std::array<long double, kUdfMaxParams> Upper{};
  // Limit expressions per parameter, each NUL-terminated.
  std::array<std::array<char, kUdfExprTextSize>, kUdfMaxParams> MinText{};
  std::array<std::array<char, kUdfExprTextSize>, kUdfMaxParams> StartText{};
  std::array<std::array<char, kUdfExprTextSize>, kUdfMaxParams> MaxText{};
  // Bit i: the start expression of Ai reads a data statistic; bit 30 any minimum
  // expression, bit 31 any maximum expression does.
  std::uint32_t DataMask = 0;
  std::array<long double, kUdfMaxParams> DerivMax{};  // largest dZ/dAi over the data
  std::array<long double, kUdfMaxParams> DerivMin{};  // smallest dZ/dAi over the data
  std::uint16_t Compiled = 0;  // 1 once UdfLoad compiled every line of the current text
};

// The text of one of the record's NUL-terminated fields (the whole field when a damaged
// record holds no NUL).
template <std::size_t N>
std::string_view UdfFieldText(const std::array<char, N>& field) {
  return std::string_view(field.data(), strnlen(field.data(), N));
}

// The stored record: name, two counts, text, three value arrays, three expression-text
// arrays, the mask, two derivative arrays and the compiled flag, packed.
static_assert(kUdfNameSize + 2 + 2 + kUdfTextSize + 3 * kUdfMaxParams * 10 +
                  3 * kUdfMaxParams * kUdfExprTextSize + 4 + 2 * kUdfMaxParams * 10 + 2 ==
              kUdfRecordBytes);

// The user-defined functions of a session: function k's record, or null where it is not
// defined. Owned by the table.
using TUdfTable = std::array<std::unique_ptr<TUdfRecord>, kUdfCount>;

// A table of copies of the records (a fit job takes one; the run reads nothing else of the
// functions than their compiled programs). Throws std::bad_alloc like any copy.
TUdfTable CopyUdfTable(const TUdfTable& table);
// The number of defined functions of a table.
int UdfTableDefinedCount(const TUdfTable& table);

// The part of a session the expression language adds (fit/session.h).
struct TUdfSession {
  TUdfSession() = default;
  TUdfSession(const TUdfSession&) = delete;
  TUdfSession& operator=(const TUdfSession&) = delete;

  TUdfTable UdfTable;
};

// A user function is compiled into the language's program slots, which the whole program
// shares, so the language serves the functions of one session at a time: the program binds
// its session's table at start-up, a test the table it fills. Unbound, the language keeps
// an empty table of its own. Bind on the user-interface thread while no evaluation runs;
// the table must outlive the binding. Null unbinds.
void ExprBindUdfTable(TUdfTable* table);
// The bound table. The functions below work on it.
TUdfTable& BoundUdfTable();

// Function k's record; null for an undefined function or a k outside 0..14.
TUdfRecord* UdfRecordAt(int k);

// The record's parameter count kept within 0..10, so that a count read from a damaged
// record never indexes past the ten parameters.
inline int UdfClampedParamCount(const TUdfRecord& r) {
  return r.ParamCount < 0 ? 0 : (r.ParamCount > kUdfMaxParams ? kUdfMaxParams : r.ParamCount);
}

// Gives slot k a new zero-filled record (freeing any record it held); returns 1, or 0
// for k outside 0..14.
[[nodiscard]] int AllocUdf(int k);
// Frees the record of slot k, if any, and empties its entry.
void FreeUdf(int k);
void FreeAllUdfs();
