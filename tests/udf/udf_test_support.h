// Shared set-up of the user-defined function tests: a fresh expression language, no
// functions defined, known data means, and a scratch directory for files.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <unistd.h>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "app/data_statistics.h"
#include "expr/expr_test_support.h"

class UdfTest : public ExprTest {
 protected:
  void SetUp() override {
    ExprTest::SetUp();
    saved_ = DataStats;
    ResetDataStats(DataStats, 0);
    DataStats.X.Mean = 2;
    DataStats.Y.Mean = 3;
    DataStats.Z.Mean = 4;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("ondravik_udf_" + std::to_string(::getpid()) + "_" +
            std::string(info->test_suite_name()) + "_" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    DataStats = saved_;
    std::filesystem::remove_all(dir_);
    ExprTest::TearDown();
  }

  const std::filesystem::path& Dir() const { return dir_; }
  std::filesystem::path File(const char* name) const { return dir_ / name; }

  static TUdfRecord* Udf(int k) { return UdfTable[static_cast<std::size_t>(k)].get(); }

  template <std::size_t N>
  static void Set(std::array<char, N>& field, std::string_view text) {
    field.fill(0);
    std::memcpy(field.data(), text.data(), std::min(text.size(), N - 1));
  }
  template <std::size_t N>
  static std::string Str(const std::array<char, N>& field) {
    return std::string(field.data(), strnlen(field.data(), N));
  }

  // Defines function k with a name, a text and (min, start, max) expressions per parameter.
  struct Limits {
    const char* min;
    const char* start;
    const char* max;
  };
  static TUdfRecord& Define(int k, std::string_view name, std::string_view text,
                            std::initializer_list<Limits> params) {
    AllocUdf(k);
    TUdfRecord& r = *UdfTable[static_cast<std::size_t>(k)];
    Set(r.Name, name);
    Set(r.Text, text);
    r.ParamCount = static_cast<std::int16_t>(params.size());
    r.LineCount = static_cast<std::int16_t>(std::count(text.begin(), text.end(), '\n'));
    std::size_t i = 0;
    for (const Limits& l : params) {
      Set(r.MinText[i], l.min);
      Set(r.StartText[i], l.start);
      Set(r.MaxText[i], l.max);
      ++i;
    }
    return r;
  }

  static std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void WriteBytes(const std::filesystem::path& p, const std::vector<std::uint8_t>& b) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }
  static void WriteText(const std::filesystem::path& p, std::string_view s) {
    WriteBytes(p, std::vector<std::uint8_t>(s.begin(), s.end()));
  }
  static std::string AsText(const std::vector<std::uint8_t>& b) { return std::string(b.begin(), b.end()); }

 private:
  TDataStats saved_;
  std::filesystem::path dir_;
};
