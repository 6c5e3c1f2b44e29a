// Files and a fresh XYZ data table for the import tests.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/data_table.h"
#include "app/import_readers.h"
#include "app/xyz_point.h"

namespace exchange_test {

namespace fs = std::filesystem;

inline fs::path FixturePath(const std::string& name) {
  return fs::path(ONDRAVIK_TEST_DATA_DIR) / name;
}

// A private directory for the files of one test, removed afterwards.
class ScratchDir {
 public:
  ScratchDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() /
           ("ondravik_exchange_" + std::to_string(::getpid()) + "_" + info->test_suite_name() +
            "_" + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  ~ScratchDir() { fs::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& text) const {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return p.string();
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

 private:
  fs::path dir_;
};

// Each test starts with a fresh table of 1024 points.
class TableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FreePointArray();
    ASSERT_TRUE(AllocPointArray());
    SetXYZRows(0);
  }
  void TearDown() override { FreePointArray(); }
  static const TXYZPoint& Row(int i) { return XYZData()[static_cast<std::size_t>(i)]; }
  static int HeaderCount() { return static_cast<int>(XYZData()[0].X); }
  static TReadArgs Args(const std::string& path, int firstRow = 1) {
    TReadArgs a;
    a.path = path;
    a.firstRow = firstRow;
    return a;
  }
  ScratchDir dir_;
};

}  // namespace exchange_test
