// A data session with a small table and the expression language bound to its statistics,
// fresh for each test of the data tools.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/data_session.h"
#include "app/data_statistics.h"
#include "app/prescan_hooks.h"
#include "expr/data_statistics_cells.h"
#include "expr/eval_context.h"
#include "expr/expression.h"

struct TestRow {
  long double x, y, z, w = 1;
  char status = ' ';
};

class DataToolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ExprBindDataStats(&session_.DataStats);
    ExprStartUp();
    ExprThreadContext().ClearErrors();
    ASSERT_TRUE(session_.Table.AllocPointArray());
  }
  void TearDown() override {
    PrescanHooks() = TPrescanHooks{};
    ExprBindDataStats(nullptr);
  }

  void Load(const std::vector<TestRow>& rows) {
    session_.Table.ClearPointsFrom(0);
    ASSERT_TRUE(session_.Table.EnsurePointCapacity(static_cast<int>(rows.size()) + 2));
    auto data = session_.Table.XYZData();
    for (std::size_t i = 0; i < rows.size(); ++i) {
      TXYZPoint& p = data[i + 1];
      p.X = rows[i].x, p.Y = rows[i].y, p.Z = rows[i].z, p.W = rows[i].w, p.Status = rows[i].status;
    }
    SetPointCount(data, static_cast<int>(rows.size()));
    session_.Table.SetXYZRows(static_cast<int>(rows.size()));
    ComputeDataStatistics(session_.Table, session_.DataStats);
  }
  TXYZPoint& Row(int i) { return session_.Table.XYZData()[static_cast<std::size_t>(i)]; }
  // Records 0 .. N as bytes, the padding of each long double left out.
  std::vector<unsigned char> TableBytes() {
    std::vector<unsigned char> bytes;
    const auto data = session_.Table.XYZData();
    for (int i = 0; i <= session_.Table.XYZRows(); ++i) {
      const TXYZPoint& p = data[static_cast<std::size_t>(i)];
      for (const long double* v : {&p.X, &p.Y, &p.Z, &p.W, &p.RXY, &p.RXYZ}) {
        unsigned char raw[10];
        std::memcpy(raw, v, 10);
        bytes.insert(bytes.end(), raw, raw + 10);
      }
      for (unsigned char c : {static_cast<unsigned char>(p.Status), p.CellX, p.CellY, p.SortKey,
                              static_cast<unsigned char>(p.Marker)})
        bytes.push_back(c);
    }
    return bytes;
  }

  TDataSession session_;
};
