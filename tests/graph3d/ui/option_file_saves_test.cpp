// The graph option dialogs' Save buttons: a file that cannot be written is told, with its
// path as caption, and a file that can is written without a word.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "graph3d/graph_fixture.h"
#include "graph3d/ui/animation_dialogs.h"
#include "graph3d/ui/color_scheme_dialogs.h"
#include "graph3d/ui/scaling_dialog.h"
#include "graph3d/ui/titles_dialog.h"
#include "graph3d/ui/view_dialog.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "support/scratch_files.h"

namespace {

struct SaveCase {
  const char* dialog;
  const char* file;
  // Builds the dialog over `g`, runs its Save and deletes it.
  std::function<void(GraphFixture& g)> save;
};

const SaveCase kSaves[] = {
    {"view", "v.v3d",
     [](GraphFixture& g) {
       auto* d = new T3DView(nullptr, &g.setup);
       d->CmSaveView();
       delete d;
     }},
    {"scaling", "s.scl",
     [](GraphFixture& g) {
       auto* d = new T3DScale(nullptr, &g.setup);
       d->CmSaveScale();
       delete d;
     }},
    {"custom colours", "c.clr",
     [](GraphFixture& g) {
       auto* d = new TUserColor(nullptr, &g.setup);
       d->CmSaveColors();
       delete d;
     }},
    {"animation", "a.ani",
     [](GraphFixture& g) {
       auto* d = new TAnimate(nullptr, &g.anim);
       d->CmSaveAnimation();
       delete d;
     }},
    {"titles", "t.ttl",
     [](GraphFixture& g) {
       auto* d = new TTitles(nullptr, &g.custom, g.titles, g.font);
       d->CmSaveTitles();
       delete d;
     }},
};

TEST(OptionFileSaves, AFileThatCannotBeWrittenIsToldAndAGoodOneIsWrittenSilently) {
  for (const SaveCase& c : kSaves) {
    SCOPED_TRACE(c.dialog);
    GraphFixture g;
    g.SetSurface([](long double x, long double y) { return x + y; }, 0, 1, 0, 1);
    ScratchDir dir;
    platform::ScriptedFiles files;
    platform::ScriptedAnswers answers;
    // A file stands where the file's folder should be.
    const std::string blocked = dir.Write("folder", std::string_view("x")) + "/" + c.file;
    files.Answer(blocked);
    answers.Answer(platform::kIdOk);
    c.save(g);
    ASSERT_EQ(answers.Boxes().size(), 1u);
    EXPECT_EQ(answers.Boxes()[0].caption, blocked);
    EXPECT_EQ(answers.Boxes()[0].text.rfind("Unable to Write File", 0), 0u) << answers.Boxes()[0].text;

    files.Answer(dir.File(c.file));
    c.save(g);
    EXPECT_EQ(answers.Boxes().size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(dir.File(c.file)));
  }
}

}  // namespace
