// Tests of a table the program reads from a file beside its executable: a scratch
// directory for missing, short and repaired copies, and the table's own file chosen again
// at the end (UseFile is the table's "read from this file instead" function).
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "expr_test_support.h"

template <void (*UseFile)(const std::filesystem::path&)>
class TableFileTest : public ExprTest {
 protected:
  void SetUp() override {
    ExprTest::SetUp();
    dir_ = std::filesystem::temp_directory_path() /
           ("table_file_test_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    UseFile({});
    std::filesystem::remove_all(dir_);
    ExprTest::TearDown();
  }
  std::filesystem::path WriteFile(const char* name, const std::vector<std::uint8_t>& bytes) {
    const std::filesystem::path p = dir_ / name;
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return p;
  }
  std::filesystem::path dir_;
};
