#include "platform/message_box.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

#include "platform/busy_window.h"
#include "platform/gui_thread.h"
#include "platform/string_table.h"

namespace platform {
namespace {

bool IsQuestion(BoxKind kind) { return kind == BoxKind::YesNo || kind == BoxKind::YesNoCancel; }

// Without a user interface a box cannot be asked: it is logged, and a question is answered
// as if cancelled, so that nothing is overwritten or discarded on a guess.
class StderrBoxes : public MessageBoxService {
 public:
  int ShowBox(const BoxRequest& request) override {
    std::fprintf(stderr, "[%s] %s\n", request.caption.c_str(), request.text.c_str());
    return IsQuestion(request.kind) ? kIdCancel : kIdOk;
  }
};

StderrBoxes g_stderrBoxes;
std::atomic<MessageBoxService*> g_service{nullptr};
std::vector<BoxWatcher*> g_watchers;  // user-interface thread only

}  // namespace

MessageBoxService* SetMessageBoxService(MessageBoxService* service) {
  return g_service.exchange(service);
}

void WatchBoxes(BoxWatcher* watcher) {
  AssertUiThread();
  g_watchers.push_back(watcher);
}

void UnwatchBoxes(BoxWatcher* watcher) {
  AssertUiThread();
  std::erase(g_watchers, watcher);
}

int ShowBox(const BoxRequest& request) {
  HideBusyMsg();
  SendToUi([] {
    // A watcher told may end, and leave the list, meanwhile.
    const std::vector<BoxWatcher*> watchers = g_watchers;
    for (BoxWatcher* w : watchers)
      if (std::find(g_watchers.begin(), g_watchers.end(), w) != g_watchers.end()) w->BeforeBox();
  });
  MessageBoxService* service = g_service.load();
  if (request.caption.find_first_not_of(" \t") == std::string::npos) {
    BoxRequest named = request;
    named.caption = kProgramCaption;
    return (service ? service : &g_stderrBoxes)->ShowBox(named);
  }
  return (service ? service : &g_stderrBoxes)->ShowBox(request);
}

ScriptedAnswers::ScriptedAnswers() { previous_ = SetMessageBoxService(this); }

ScriptedAnswers::~ScriptedAnswers() { SetMessageBoxService(previous_); }

int ScriptedAnswers::ShowBox(const BoxRequest& request) {
  std::lock_guard lock(mutex_);
  boxes_.push_back(request);
  if (!answers_.empty()) {
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  return IsQuestion(request.kind) ? kIdCancel : kIdOk;
}

}  // namespace platform

namespace {

int Show(platform::Window owner, platform::BoxKind kind, std::string_view caption,
         std::string_view text) {
  return platform::ShowBox({owner, kind, std::string(caption), std::string(text)});
}

int ShowIds(platform::Window owner, platform::BoxKind kind, int captionId, int textId) {
  return platform::ShowBox(
      {owner, kind, platform::StringOrId(captionId), platform::StringOrId(textId)});
}

}  // namespace

using platform::BoxKind;

int MsgBox(platform::Window owner, std::string_view caption, std::string_view text) {
  return Show(owner, BoxKind::Plain, caption, text);
}
int MsgBoxIds(platform::Window owner, int captionId, int textId) {
  return ShowIds(owner, BoxKind::Plain, captionId, textId);
}
int ErrorBox(platform::Window owner, std::string_view caption, std::string_view text) {
  return Show(owner, BoxKind::Exclamation, caption, text);
}
int ErrorBoxIds(platform::Window owner, int captionId, int textId) {
  return ShowIds(owner, BoxKind::Exclamation, captionId, textId);
}
int InfoBox(platform::Window owner, std::string_view caption, std::string_view text) {
  return Show(owner, BoxKind::Information, caption, text);
}
int InfoBoxIds(platform::Window owner, int captionId, int textId) {
  return ShowIds(owner, BoxKind::Information, captionId, textId);
}
int AskYesNo(platform::Window owner, std::string_view caption, std::string_view text) {
  return Show(owner, BoxKind::YesNo, caption, text);
}
int AskYesNoIds(platform::Window owner, int captionId, int textId) {
  return ShowIds(owner, BoxKind::YesNo, captionId, textId);
}
int AskYesNoCancel(platform::Window owner, std::string_view caption, std::string_view text) {
  return Show(owner, BoxKind::YesNoCancel, caption, text);
}
int AskYesNoCancelIds(platform::Window owner, int captionId, int textId) {
  return ShowIds(owner, BoxKind::YesNoCancel, captionId, textId);
}
