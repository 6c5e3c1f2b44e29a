// Tests of a table the program reads from a file beside its executable: a scratch
// directory for missing, short and repaired copies, and the table's own file chosen again
// at the end (UseFile is the table's "read from this file instead" function).
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "expr_test_support.h"
#include "support/scratch_files.h"

template <void (*UseFile)(const std::filesystem::path&)>
class TableFileTest : public ExprTest {
 protected:
  void SetUp() override {
    ExprTest::SetUp();
    dir_.emplace("table_file_test");
  }
  void TearDown() override {
    UseFile({});
    dir_.reset();
    ExprTest::TearDown();
  }
  // The file absent, then one byte short: `refused` sees the table refused both times.
  // Every use tries again: once the file is complete (longer is fine, only the table's
  // bytes are read), `loaded` sees the table.
  void MissingShortThenComplete(const std::vector<std::uint8_t>& table, const std::function<void()>& refused,
                                const std::function<void()>& loaded) {
    UseFile(dir_->Path() / "absent.ovl");
    refused();
    std::vector<std::uint8_t> bytes(table.begin(), table.end() - 1);
    UseFile(WriteBytes(dir_->Path() / "short.ovl", bytes));
    refused();
    bytes = table;
    bytes.push_back(0);
    WriteBytes(dir_->Path() / "short.ovl", bytes);
    loaded();
  }
  // Drops any loaded table and lets eight threads race to load it on first use.
  static std::vector<long double> RaceFirstUse(const std::function<long double(int)>& use) {
    UseFile({});
    std::vector<long double> got(8, 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) threads.emplace_back([&got, &use, i] { got[static_cast<std::size_t>(i)] = use(i); });
    for (std::thread& t : threads) t.join();
    return got;
  }
  std::optional<ScratchDir> dir_;
};
