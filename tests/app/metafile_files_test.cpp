#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/bitmap_files.h"
#include "app/file_utils.h"
#include "platform/emf_recorder.h"
#include "platform/wmf_recorder.h"
#include "support/metafile_scene.h"
#include "support/scratch_files.h"

namespace {

// Programs people open metafiles with read ours. They are installed by scripts/test; a
// machine without them skips the check.
bool Have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

std::string SvgSize(const std::string& svg) {
  const std::string text = ReadText(svg);
  std::smatch m;
  if (!std::regex_search(text, m, std::regex("<svg[^>]*?width=\"([0-9.]+)[a-z]*\"[^>]*?height=\"([0-9.]+)")))
    return "no svg element";
  return m[1].str() + "x" + m[2].str();
}

TEST(MetafileRecorders, SvgConvertersReadOurFilesAtTheirSize) {
  ScratchDir dir;
  if (Have("emf2svg-conv")) {
    platform::EmfRecorder emf(201, 151, 96, nullptr, std::string("QVRK\0Graph\0\0", 12));
    DrawMetafileScene(emf);
    const auto in = WriteBytes(dir.Path() / "scene.emf", emf.Finish());
    const auto out = dir.Path() / "scene_emf.svg";
    ASSERT_EQ(std::system(("emf2svg-conv -i '" + in.string() + "' -o '" + out.string() + "' 2>/dev/null").c_str()), 0);
    // A graph w x h covers the pixels 0 to w and 0 to h: the picture is recorded as
    // (w + 1) x (h + 1) and reads back as w x h, the graph's size.
    EXPECT_EQ(SvgSize(out.string()), "200.0000x150.0000") << ReadText(out).substr(0, 300);
  }
  if (Have("wmf2svg")) {
    // The .wmf file: the picture with its window (w, h) behind the placeable header.
    platform::WmfRecorder wmf(200, 150, 96, nullptr);
    DrawMetafileScene(wmf);
    const auto in = WriteBytes(dir.Path() / "scene.wmf", wmf.Finish());
    ASSERT_TRUE(AddPlaceableHeader(in, {0, 0, 200, 150}, 96));
    const auto out = dir.Path() / "scene_wmf.svg";
    ASSERT_EQ(std::system(("wmf2svg -o '" + out.string() + "' '" + in.string() + "' 2>/dev/null").c_str()), 0);
    EXPECT_EQ(SvgSize(out.string()), "200x150") << ReadText(out).substr(0, 300);
  }
}

// A polyline of 40,000 points, beyond one WMF record's 32,767, is read back whole by
// wmf2svg: every point, in pieces that meet at their joints.
TEST(MetafileRecorders, Wmf2svgReadsA40000PointPolylineWhole) {
  if (!Have("wmf2svg")) GTEST_SKIP() << "wmf2svg missing";
  ScratchDir dir;
  platform::WmfRecorder wmf(2000, 2000, 96, nullptr);
  wmf.SelectPen(platform::Pen::Solid(platform::Color::Rgb(200, 0, 0)));
  std::vector<platform::Point> line;
  for (int i = 0; i < 40000; ++i) line.push_back({i % 2000, i / 20 + i % 2});
  wmf.Polyline(line);
  const auto in = WriteBytes(dir.Path() / "line.wmf", wmf.Finish());
  ASSERT_TRUE(AddPlaceableHeader(in, {0, 0, 2000, 2000}, 96));
  const auto out = dir.Path() / "line.svg";
  ASSERT_EQ(std::system(("wmf2svg -o '" + out.string() + "' '" + in.string() + "' 2>/dev/null").c_str()), 0);
  const std::string svg = ReadText(out);
  std::vector<std::vector<std::string>> pieces;
  const std::string open = "<polyline points=\"";
  for (std::size_t at = svg.find(open); at != std::string::npos; at = svg.find(open, at + 1)) {
    const std::size_t from = at + open.size();
    std::istringstream points(svg.substr(from, svg.find('"', from) - from));
    pieces.emplace_back(std::istream_iterator<std::string>(points), std::istream_iterator<std::string>());
  }
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0].back(), pieces[1].front());
  EXPECT_EQ(pieces[0].size() + pieces[1].size() - 1, 40000u);
}

}  // namespace
