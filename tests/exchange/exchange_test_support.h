// Files and a fresh XYZ data table for the import tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "app/data_files.h"
#include "app/data_session.h"
#include "app/import_readers.h"
#include "app/settings_file.h"
#include "app/xyz_point.h"
#include "exchange/import_registration.h"
#include "support/scratch_files.h"

namespace exchange_test {

namespace fs = std::filesystem;

inline fs::path FixturePath(const std::string& name) {
  return fs::path(ONDRAVIK_TEST_DATA_DIR) / name;
}

// A table record as (X, Y, Z, W, Status), compared in one assertion.
using RowValues = std::tuple<long double, long double, long double, long double, char>;
inline RowValues Point(long double x, long double y, long double z, long double w = 1,
                       char status = ' ') {
  return {x, y, z, w, status};
}

// The points of a read as rows.
inline std::vector<RowValues> RowsOf(const TReadResult& r) {
  std::vector<RowValues> rows;
  for (const TXYZPoint& p : r.points) rows.push_back({p.X, p.Y, p.Z, p.W, p.Status});
  return rows;
}

// Reader arguments with the columns (W -1: none) and the sheet chosen.
inline TReadArgs ChosenColumns(const std::string& path, int x, int y, int z, int w = -1, int sheet = 0) {
  TReadArgs a;
  a.path = path;
  a.colX = x, a.colY = y, a.colZ = z, a.colW = w, a.sheet = sheet;
  return a;
}

// Each test starts with a fresh session whose table holds 1024 points.
class TableTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(session_.Table.AllocPointArray()); }
  // The import driver's readers with fresh settings and hooks, the titles dialog taking the
  // titles as read.
  static void PrepareImport() {
    RegisterImportReaders();
    CurrentSettings() = DefaultSettings(1280, 1024);
    DataFileHooks() = TDataFileHooks{};
    DataFileHooks().RunTitlesDialog = [](TDataSession&, const TDataTitles*) { return 1; };
  }
  const TXYZPoint& Row(int i) const { return session_.Table.XYZData()[static_cast<std::size_t>(i)]; }
  RowValues RowOf(int i) const {
    const TXYZPoint& p = Row(i);
    return {p.X, p.Y, p.Z, p.W, p.Status};
  }
  int HeaderCount() const { return static_cast<int>(session_.Table.XYZData()[0].X); }
  static TReadArgs Args(const std::string& path) {
    TReadArgs a;
    a.path = path;
    return a;
  }
  // A read committed to the table as the import driver commits it (after the table's rows
  // when firstRow > 1), its titles given to `titles` when the read succeeded; the count.
  int Commit(const TReadResult& read, TDataTitles& titles, int firstRow = 1) {
    if (read.Count() < 0) return read.Count();
    titles = read.titles;
    EXPECT_TRUE(CommitReadResult(session_.Table, read, firstRow > 1));
    return read.Count();
  }
  TDataSession session_;
  ScratchDir dir_;
};

}  // namespace exchange_test
