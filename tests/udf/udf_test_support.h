// Shared set-up of the user-defined function tests: a fresh expression language, no
// functions defined, known data means, and a scratch directory for files.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <optional>

#include "app/byte_codec.h"
#include "app/data_statistics.h"
#include "expr/expr_test_support.h"
#include "support/scratch_files.h"
#include "tools/udf/udf_limits.h"

class UdfTest : public ExprTest {
 protected:
  void SetUp() override {
    ExprTest::SetUp();
    ResetDataStats(stats_, 0);
    stats_.X.Mean = 2;
    stats_.Y.Mean = 3;
    stats_.Z.Mean = 4;
    dir_.emplace("ondravik_udf");
  }
  void TearDown() override {
    dir_.reset();
    ExprTest::TearDown();
  }

  const std::filesystem::path& Dir() const { return dir_->Path(); }
  std::filesystem::path File(const char* name) const { return Dir() / name; }
  static TUdfRecord* Udf(int k) { return UdfRecordAt(k); }

  template <std::size_t N>
  static void Set(std::array<char, N>& field, std::string_view text) {
    field.fill(0);
    std::memcpy(field.data(), text.data(), std::min(text.size(), N - 1));
  }
  template <std::size_t N>
  static std::string Str(const std::array<char, N>& field) {
    return std::string(UdfFieldText(field));
  }

  // Defines function k with a name, a text and (min, start, max) expressions per parameter.
  struct Limits {
    const char* min;
    const char* start;
    const char* max;
  };
  static TUdfRecord& Define(int k, std::string_view name, std::string_view text, std::initializer_list<Limits> params) {
    EXPECT_EQ(AllocUdf(k), 1);
    TUdfRecord& r = *BoundUdfTable()[static_cast<std::size_t>(k)];
    Set(r.Name, name);
    Set(r.Text, text);
    r.ParamCount = static_cast<std::int16_t>(params.size());
    r.LineCount = static_cast<std::int16_t>(std::count(text.begin(), text.end(), '\n'));
    std::size_t i = 0;
    for (const Limits& l : params) {
      Set(r.MinText[i], l.min);
      Set(r.StartText[i], l.start);
      Set(r.MaxText[i++], l.max);
    }
    return r;
  }
  // Define, then evaluate the limits.
  static TUdfRecord& Parsed(int k, std::string_view name, std::string_view text, std::initializer_list<Limits> params) {
    TUdfRecord& r = Define(k, name, text, params);
    ParseUdfParams(k);
    return r;
  }
  // The two-parameter PLANE of the text form's description.
  static TUdfRecord& Plane(int k, const char* start = "1") {
    return Parsed(k, "PLANE", "Z=A0+A1*X+A1*Y\r\n", {{"-1e+25", start, "1e+25"}, {"-1e+25", "1", "1e+25"}});
  }

  static std::string AsText(const std::vector<std::uint8_t>& b) { return std::string(b.begin(), b.end()); }
  // The NUL-terminated text and the little-endian u32 and extended real at an offset.
  static std::string TextAt(const std::vector<std::uint8_t>& b, std::size_t offset) {
    return std::string(reinterpret_cast<const char*>(b.data()) + offset);
  }
  static std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t offset) {
    return bytes::LoadU32(b.data() + offset);
  }
  static long double ExtendedAt(const std::vector<std::uint8_t>& b, std::size_t offset) {
    return bytes::DecodeExtended(b.data() + offset);
  }

 private:
  std::optional<ScratchDir> dir_;
};
