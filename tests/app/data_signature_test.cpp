#include "app/data_signature.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <utility>

#include "app/test_points.h"

namespace {

PointTable Sample() {
  return TableOf({{1, 10, 100}, {2, 20, 200, 0.5L}, {3, 30, 300}, {4, 40, 400, 1, kPointInactive}, {5, 50, 500}});
}

// Every change that the statistics' sums cannot see, and the plain ones, changes the
// signature; the sums of means, deviations and weights stay equal for the first three.
TEST(DataSignature, EveryChangeOfValuesActivityOrCountChangesIt) {
  const std::uint64_t before = DataSignature(Sample());
  const std::pair<std::string, std::function<void(PointTable&)>> changes[] = {
      {"two Z values exchanged", [](PointTable& t) { std::swap(t[1].Z, t[3].Z); }},
      {"X and Z exchanged", [](PointTable& t) { for (int i = 1; i <= 5; ++i) std::swap(t[i].X, t[i].Z); }},
      {"X and Y exchanged", [](PointTable& t) { for (int i = 1; i <= 5; ++i) std::swap(t[i].X, t[i].Y); }},
      {"a value in its last bit", [](PointTable& t) { t[2].Y = std::nextafter(t[2].Y, 100.0L); }},
      {"a weight", [](PointTable& t) { t[5].W = 2; }},
      {"a point made inactive", [](PointTable& t) { t[1].Status = kPointInactive; }},
      {"an inactive point made active", [](PointTable& t) { t[4].Status = kPointActive; }},
      {"a point less", [](PointTable& t) { SetPointCount(t, 4); }},
      {"the weights flag", [](PointTable& t) { t[0].W = 1; }},
      {"zero's sign", [](PointTable& t) { t[1].X = 0, t[2].X = -0.0L; }},
  };
  for (const auto& [what, change] : changes) {
    PointTable t = Sample();
    change(t);
    EXPECT_NE(DataSignature(t), before) << what;
  }
}

TEST(DataSignature, ReorderedRecordsStatusSpellingsAndPaddingKeepIt) {
  const PointTable sample = Sample();
  PointTable t = sample;
  std::swap(t[1], t[5]);
  std::swap(t[2], t[4]);
  EXPECT_EQ(DataSignature(t), DataSignature(sample));
  // A cleared record's status byte 0 counts as active, as ' ' does.
  t = sample;
  t[3].Status = 0;
  EXPECT_EQ(DataSignature(t), DataSignature(sample));
  // The six bytes of padding after the 80 bits of a long double never count.
  t = sample;
  unsigned char raw[sizeof(long double)];
  std::memcpy(raw, &t[2].Z, sizeof raw);
  std::memset(raw + 10, 0xAB, sizeof raw - 10);
  std::memcpy(&t[2].Z, raw, sizeof raw);
  // Scratch fields are no data either.
  t[2].RXY = 7, t[2].CellX = 3, t[2].SortKey = 1;
  EXPECT_EQ(DataSignature(t), DataSignature(sample));
  EXPECT_EQ(DataSignature({}), 0u);
}

// The order signature sees every place of every record, and what DataSignature sees besides;
// not a cleared status byte, the padding or the scratch fields.
TEST(DataSignature, TheOrderSignatureSeesEachRecordsPlace) {
  const PointTable sample = Sample();
  PointTable t = sample;
  std::swap(t[1], t[5]);
  EXPECT_NE(DataOrderSignature(t), DataOrderSignature(sample));
  std::swap(t[1], t[5]);
  std::swap(t[2], t[3]);
  EXPECT_NE(DataOrderSignature(t), DataOrderSignature(sample));
  std::swap(t[2], t[3]);
  EXPECT_EQ(DataOrderSignature(t), DataOrderSignature(sample));
  t[4].Z += 1;
  EXPECT_NE(DataOrderSignature(t), DataOrderSignature(sample));
  t = sample;
  t[3].Status = 0;
  t[2].RXY = 7, t[2].CellX = 3, t[2].SortKey = 1;
  EXPECT_EQ(DataOrderSignature(t), DataOrderSignature(sample));
  EXPECT_EQ(DataOrderSignature({}), 0u);
}

}  // namespace
