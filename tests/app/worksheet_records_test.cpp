#include "app/worksheet_records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using bytes::ByteWriter;
using Bytes = std::vector<std::uint8_t>;

Bytes Take(ByteWriter& w) { return w.Take(); }

TEST(WorksheetRecords, EmptyImagesHaveTheirFixedSizes) {
  EXPECT_EQ(TWorksheetImage(1, 0, 0).Finish().size(), 1384u);
  EXPECT_EQ(TWorksheetImage(3, 0, 0).Finish().size(), 433u);
}

TEST(WorksheetRecords, WK1HeaderRecordsStandWhereTheTemplateSaysAndTheRangeIsPatched) {
  ByteWriter w;
  EXPECT_EQ(WK1PutHeader(w, 3, 300), 1380);
  const Bytes h = Take(w);
  ASSERT_EQ(h.size(), kWK1HeaderSize);
  // Opcode of each record at its offset.
  const std::pair<std::size_t, int> records[] = {{0, 0x00},    {6, 0x06},    {18, 0x96},
                                                 {47, 0x07},   {362, 0x25},  {898, 0x28},
                                                 {912, 0x29},  {937, 0x2D}};
  for (auto [offset, opcode] : records) EXPECT_EQ(h[offset] | h[offset + 1] << 8, opcode) << offset;
  EXPECT_EQ(h[4], 0x06);
  EXPECT_EQ(h[5], 0x04);
  EXPECT_EQ(h[14] | h[15] << 8, 3);
  EXPECT_EQ(h[16] | h[17] << 8, 300);
  EXPECT_EQ(h[1374], 0x71);  // the graph record ends 71 71 01 00 00 00
  EXPECT_EQ(h[1376], 0x01);
}

TEST(WorksheetRecords, WK3HeaderAndTrailer) {
  ByteWriter w;
  EXPECT_EQ(WK3PutHeader(w, 4, 1000), 390);
  EXPECT_EQ(WK3PutTrailer(w), 43);
  const Bytes b = Take(w);
  EXPECT_EQ(b[12] | b[13] << 8, 1000);
  EXPECT_EQ(b[15], 4);
  const std::pair<std::size_t, int> records[] = {{30, 0x03}, {40, 0x04}, {72, 0x21}, {77, 0x0B},
                                                 {82, 0x0E}, {118, 0x0F}, {208, 0x11}, {390, 0x1C},
                                                 {429, 0x01}};
  for (auto [offset, opcode] : records) EXPECT_EQ(b[offset] | b[offset + 1] << 8, opcode) << offset;
  // The 80-bit values 1 and 8191 in record 0x0E.
  EXPECT_EQ(b[82 + 4 + 10 + 7], 0x80);
  EXPECT_EQ(b[82 + 4 + 10 + 8], 0xFF);
  EXPECT_EQ(b[82 + 4 + 10 + 9], 0x3F);
}

TEST(WorksheetRecords, CellRecordsAreByteExact) {
  ByteWriter w;
  EXPECT_EQ(WK1PutLabel(w, 1, 2, "abc"), 14);
  EXPECT_EQ(Take(w), (Bytes{0x0F, 0, 0x0A, 0, 0xFF, 1, 0, 2, 0, 0x27, 'a', 'b', 'c', 0}));
  EXPECT_EQ(WK3PutNumber(w, 3, 2, 1.0L), 18);
  EXPECT_EQ(Take(w), (Bytes{0x17, 0, 0x0E, 0, 0x02, 0, 0, 0x03, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
  EXPECT_EQ(WK1PutNumber(w, 0, 1, 1.5), 17);
  EXPECT_EQ(Take(w), (Bytes{0x0E, 0, 0x0D, 0, 0xFF, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}));
  EXPECT_EQ(WK3PutLabel(w, 2, 5, "xy"), 12);
  EXPECT_EQ(Take(w), (Bytes{0x16, 0, 0x08, 0, 5, 0, 0, 2, 0x27, 'x', 'y', 0}));
  EXPECT_EQ(WK1PutEOF(w), 4);
}

TEST(WorksheetRecords, LabelsAreCutToTheirOneByteLength) {
  const std::string text(400, 'q');
  ByteWriter w;
  EXPECT_EQ(WK1PutLabel(w, 0, 0, text), 248 + 11);
  Bytes b = Take(w);
  EXPECT_EQ(b[2], 255);
  EXPECT_EQ(b[3], 0);
  EXPECT_EQ(WK3PutLabel(w, 0, 0, text), 249 + 10);
  b = Take(w);
  EXPECT_EQ(b[2], 255);
}

TEST(WorksheetRecords, CellsBeyondTheFieldsWriteNothing) {
  ByteWriter w;
  EXPECT_EQ(WK3PutNumber(w, 256, 0, 1.0L), 0);
  EXPECT_EQ(WK3PutLabel(w, 0, 65536, "a"), 0);
  EXPECT_EQ(WK1PutNumber(w, -1, 0, 1.0), 0);
  EXPECT_EQ(w.Size(), 0u);
  EXPECT_EQ(WK3PutNumber(w, 255, 65535, 1.0L), 18);
}

TEST(WorksheetRecords, ImageGrowsForManyCellsAndRangeCanBeSetLate) {
  TWorksheetImage image(1, 20, 0);
  for (int row = 0; row < 5000; ++row) image.Number(0, row, row);
  image.SetRange(0, 4999);
  const Bytes b = image.Finish();
  EXPECT_EQ(b.size(), 1380u + 5000u * 17u + 4u);
  EXPECT_EQ(b[14] | b[15] << 8, 0);
  EXPECT_EQ(b[16] | b[17] << 8, 4999);
}

}  // namespace
