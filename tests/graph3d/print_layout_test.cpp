#include "graph3d/print_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "app/byte_codec.h"
#include "app/c_format.h"
#include "app/text_print.h"
#include "graph3d/text_print_buffer.h"
#include "support/scratch_files.h"

namespace {

// A Letter sheet at 600 dpi whose printable area is the whole sheet.
TPrinterPage Letter(bool landscape) {
  TPrinterPage page;
  page.horzRes = landscape ? 6600 : 5100;
  page.vertRes = landscape ? 5100 : 6600;
  page.dpiX = page.dpiY = 600;
  page.physicalWidth = page.horzRes;
  page.physicalHeight = page.vertRes;
  return page;
}

TEST(PrintLayout, GraphRectanglesOfTheLayouts) {
  TPrintGraphRec rec;  // defaults: full page, landscape
  EXPECT_EQ(GraphPrintRect(PrintMarginsInches(rec), Letter(true)), (platform::Rect{600, 600, 6000, 4500}));
  rec.Layout = kLayoutCustomPortrait;  // 1.5, 2.5, 1.5 and 14 cm
  EXPECT_EQ(GraphPrintRect(PrintMarginsInches(rec), Letter(false)), (platform::Rect{354, 590, 4746, 3293}));
  rec.PortraitMargins = {10.0f, 10.0f, 10.0f, 20.0f};  // more than the sheet holds
  EXPECT_EQ(GraphPrintRect(PrintMarginsInches(rec), Letter(false)), (platform::Rect{510, 660, 4590, 5940}));
  rec.Layout = kLayoutHalfPagePortrait;
  EXPECT_EQ(GraphPrintRect(PrintMarginsInches(rec), Letter(false)), (platform::Rect{300, 300, 4800, 3000}));
  // The printable area's offset moves the rectangle into its coordinates.
  TPrinterPage offset = Letter(true);
  offset.offsetX = 100;
  offset.offsetY = 50;
  offset.horzRes -= 200;
  offset.vertRes -= 100;
  rec.Layout = kLayoutFullPageLandscape;
  EXPECT_EQ(GraphPrintRect(PrintMarginsInches(rec), offset), (platform::Rect{500, 550, 5900, 4450}));
}

// Print Graph's custom margin text.
std::string GraphMarginText(float cm) {
  return MarginText(cm, CFormat("%-6.2f", static_cast<double>(cm)), kMarginTextSize);
}

// A custom margin is shown to the hundredth, with more digits where it has them (typed so,
// or read from a file), and the text reads back to the margin.
TEST(PrintLayout, MarginTextsReadBackToTheMargin) {
  EXPECT_EQ(GraphMarginText(1.5f), "1.50  ");
  EXPECT_EQ(GraphMarginText(14.0f), "14.00 ");
  EXPECT_EQ(GraphMarginText(100.0f), "100.00");
  EXPECT_EQ(GraphMarginText(0.0f), "0.00  ");
  EXPECT_EQ(GraphMarginText(2.54f), "2.54  ");
  EXPECT_EQ(GraphMarginText(1.234f), "1.234");
  EXPECT_EQ(GraphMarginText(12.3456f), "12.3456");
  EXPECT_EQ(GraphMarginText(1e-7f), "1e-07");
  for (const float cm : {1.234f, 0.001f, 0.005f, 99.99999f, 1e-7f, 33.3333f, 0.125f, 0.3f}) {
    const std::string text = GraphMarginText(cm);
    EXPECT_LE(text.size(), kMarginTextSize) << text;
    EXPECT_EQ(static_cast<float>(std::strtold(text.c_str(), nullptr)), cm) << text;
  }
  // Seven digits after the point fit the field without the leading zero, as they were typed:
  // shown to the hundredth, an untouched OK stored 0.12 for .1234567.
  EXPECT_EQ(GraphMarginText(0.1234567f), ".1234567");
  EXPECT_EQ(MarginText(0.123456f, "0.12346", 7), ".123456");
  // A margin no text of the field's size holds (from a file) is shown to the hundredth.
  EXPECT_EQ(GraphMarginText(0.39370079f), "0.39  ");
  EXPECT_EQ(GraphMarginText(0.012345678f), "0.01  ");
}

// Print Text's margins go through its buffer as text: a margin with more digits than the
// five it shows comes back from an untouched OK as it was (1.23456 once came back 1.2346).
TEST(TextPrintBuffer, UntouchedMarginsComeBackAsTheyWere) {
  TTextPrintOptions options;
  options.marginLeft = 1.23456f;
  options.marginTop = 0.5f;
  options.marginRight = 12.3456f;
  options.marginBottom = 2.54f;
  const TTextPrintOptions before = options;
  const TTextPrintBuffer b = FillTextPrintBuffer(options, "", TTextPrintOffers{});
  EXPECT_EQ(b.margins[0], "1.23456");
  EXPECT_EQ(b.margins[1], "0.5");
  EXPECT_EQ(b.margins[2], "12.3456");
  EXPECT_EQ(b.margins[3], "2.54");
  std::string header;
  ApplyTextPrintBuffer(b, TTextPrintOffers{}, options, header);
  EXPECT_EQ(EncodeTextPrint(options), EncodeTextPrint(before));
}

// What the dialog shows for a fixed layout is what it prints with: the same margins typed
// into a custom layout of the same orientation print the same rectangle.
TEST(PrintLayout, FixedLayoutsShowTheMarginsTheyPrintWith) {
  const std::array<float, 4> half = FixedLayoutMarginsCm(kLayoutHalfPagePortrait);
  const std::array<float, 4> full = FixedLayoutMarginsCm(kLayoutFullPageLandscape);
  EXPECT_EQ(half, (std::array<float, 4>{1.27f, 1.27f, 1.27f, 15.24f}));
  EXPECT_EQ(full, (std::array<float, 4>{2.54f, 2.54f, 2.54f, 2.54f}));
  for (const bool landscape : {false, true}) {
    TPrintGraphRec fixed, custom;
    fixed.Layout = landscape ? kLayoutFullPageLandscape : kLayoutHalfPagePortrait;
    custom.Layout = landscape ? kLayoutCustomLandscape : kLayoutCustomPortrait;
    custom.PortraitMargins = half;
    custom.LandscapeMargins = full;
    const platform::Rect a = GraphPrintRect(PrintMarginsInches(fixed), Letter(landscape));
    const platform::Rect b = GraphPrintRect(PrintMarginsInches(custom), Letter(landscape));
    EXPECT_LE(std::abs(a.left - b.left) + std::abs(a.top - b.top) + std::abs(a.right - b.right) +
                  std::abs(a.bottom - b.bottom),
              4)
        << landscape;
  }
}

TEST(PrintLayout, SummaryAndViewOfAPrintedGraph) {
  const TPrinterPage page = Letter(false);
  const platform::Rect graph{300, 300, 4800, 3000};
  // An inch from the sheet's left, right and bottom; half an inch under the graph.
  EXPECT_EQ(SummaryPrintRect(graph, page), (platform::Rect{600, 3300, 4500, 6000}));
  const TPrintView view = PrintViewFor(graph);
  EXPECT_EQ(view.centerX, 2550);
  EXPECT_EQ(view.centerY, 1650 + 132);
  EXPECT_NEAR(static_cast<double>(view.scaleX), 4500 * 0.85 * 0.005, 1e-12);
  EXPECT_NEAR(static_cast<double>(view.aspect), 2700.0 / 4500.0, 1e-15);
  EXPECT_TRUE(LayoutAllowsSummary(kLayoutCustomPortrait));
  EXPECT_FALSE(LayoutAllowsSummary(kLayoutCustomLandscape));
}

TEST(PrintLayout, CustomPrintFileRoundTripsAndRefusesDamage) {
  ScratchDir dir;
  TPrintGraphRec rec;
  rec.Layout = kLayoutCustomLandscape;
  rec.Orientation = 1;
  rec.FrameGraph = 1;
  rec.LandscapeMargins = {1.0f, 2.0f, 3.0f, 4.5f};
  rec.Reserved[3] = 0x7E;
  const auto path = dir.Path() / "page.cpg";
  ASSERT_TRUE(WriteCustomPrintFile(path, rec));
  EXPECT_EQ(ReadBytes(path), EncodePrintGraphRec(rec));
  TPrintGraphRec back;
  ASSERT_EQ(ReadCustomPrintFile(path, back), OptionFileStatus::Ok);
  EXPECT_EQ(back, rec);

  const std::vector<std::uint8_t> good = EncodePrintGraphRec(rec);
  struct Damage {
    const char* what;
    std::size_t at;
    float value;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (const Damage d : {Damage{"NaN margin", 10, nan}, Damage{"negative margin", 14, -1.0f},
                         Damage{"margin beyond the page", 30, 250.0f}}) {
    SCOPED_TRACE(d.what);
    std::vector<std::uint8_t> bad = good;
    std::uint32_t bits;
    std::memcpy(&bits, &d.value, 4);
    bytes::StoreU32(bad.data() + d.at, bits);
    TPrintGraphRec kept = rec;
    ASSERT_EQ(ReadCustomPrintFile(WriteBytes(dir.Path() / "bad.cpg", bad), kept), OptionFileStatus::Refused);
    EXPECT_EQ(kept, rec);
  }
  std::vector<std::uint8_t> badLayout = good;
  bytes::StoreU16(badLayout.data(), 4);
  EXPECT_EQ(ReadCustomPrintFile(WriteBytes(dir.Path() / "layout.cpg", badLayout), back), OptionFileStatus::Refused);
  EXPECT_EQ(ReadCustomPrintFile(WriteBytes(dir.Path() / "short.cpg", std::vector<std::uint8_t>(53)), back),
            OptionFileStatus::Refused);
  EXPECT_EQ(ReadCustomPrintFile(dir.Path() / "missing.cpg", back), OptionFileStatus::CannotOpen);
}

TEST(TextPrintBuffer, FillApplyAndOffers) {
  TTextPrintOptions options;  // date, page numbers, portrait, centred, all lines, monochrome
  const std::string longHeader(200, 'h');
  const TTextPrintOffers none{false, false, false};
  TTextPrintBuffer b = FillTextPrintBuffer(options, longHeader, none);
  using B = TTextPrintBuffer;
  EXPECT_EQ(b.checks[B::kDate], 1);
  EXPECT_EQ(b.checks[B::kPortrait], 1);
  EXPECT_EQ(b.checks[B::kLandscape], 0);
  EXPECT_EQ(b.checks[B::kCentre], 0);  // not offered: both radios 0
  EXPECT_EQ(b.checks[B::kFlushLeft], 0);
  EXPECT_EQ(b.margins[0], "2.54");
  // OK: the caller's header is cut to 79 characters; choices not offered keep their value.
  b.checks[B::kPortrait] = 0;
  b.checks[B::kLandscape] = 1;
  b.margins[3] = "3.5";
  options.colour = true;
  std::string header;
  ApplyTextPrintBuffer(b, none, options, header);
  EXPECT_EQ(header.size(), 79u);
  EXPECT_TRUE(options.landscape);
  EXPECT_TRUE(options.colour);
  EXPECT_TRUE(options.centre);
  EXPECT_FLOAT_EQ(options.marginBottom, 3.5f);
  // Offered choices are written from their radios.
  const TTextPrintOffers all;
  b = FillTextPrintBuffer(options, "Title", all);
  EXPECT_EQ(b.checks[B::kColour], 1);
  b.checks[B::kMonochrome] = 1;
  b.checks[B::kColour] = 0;
  b.checks[B::kFlushLeft] = 1;
  b.checks[B::kCentre] = 0;
  ApplyTextPrintBuffer(b, all, options, header);
  EXPECT_FALSE(options.colour);
  EXPECT_FALSE(options.centre);
  EXPECT_EQ(header, "Title");
}

TEST(TextPrintBuffer, FileRoundTripsByteForByteAndRefusesDamage) {
  ScratchDir dir;
  TTextPrintBuffer b = FillTextPrintBuffer(TTextPrintOptions{}, std::string(1023, 'x'), TTextPrintOffers{});
  const auto path = dir.Path() / "text.cpt";
  ASSERT_TRUE(WriteTextPrintFile(path, b));
  const std::vector<std::uint8_t> bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), TTextPrintBuffer::kSize);
  TTextPrintBuffer back;
  ASSERT_EQ(ReadTextPrintFile(path, back), OptionFileStatus::Ok);
  EXPECT_EQ(back, b);
  EXPECT_EQ(EncodeTextPrintBuffer(back), bytes);

  auto refused = [&](std::vector<std::uint8_t> bad) {
    TTextPrintBuffer kept = b;
    const bool ok = ReadTextPrintFile(WriteBytes(dir.Path() / "bad.cpt", bad), kept) == OptionFileStatus::Refused;
    return ok && kept == b;
  };
  std::vector<std::uint8_t> noNul = bytes;
  noNul[1023] = 'x';  // the header runs to the end of its field
  EXPECT_TRUE(refused(noNul));
  std::vector<std::uint8_t> marginNoNul = bytes;
  std::fill(marginNoNul.begin() + 1064, marginNoNul.begin() + 1072, '1');
  EXPECT_TRUE(refused(marginNoNul));
  std::vector<std::uint8_t> marginText = bytes;
  std::memcpy(marginText.data() + 1072, "nan\0\0\0\0\0", 8);
  EXPECT_TRUE(refused(marginText));
  std::vector<std::uint8_t> negative = bytes;
  std::memcpy(negative.data() + 1080, "-2\0\0\0\0\0\0", 8);
  EXPECT_TRUE(refused(negative));
  std::vector<std::uint8_t> check = bytes;
  bytes::StoreU32(check.data() + 1024, 7);
  EXPECT_TRUE(refused(check));
  EXPECT_TRUE(refused(std::vector<std::uint8_t>(1095, 0)));
}

}  // namespace
