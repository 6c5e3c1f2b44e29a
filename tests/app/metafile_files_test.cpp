#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

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

}  // namespace
