// Message boxes: the program's helpers of the base dialog layer (plain texts or two
// string-table ids) over one replaceable service. The Qt layer installs a service that shows
// a QMessageBox; tests install ScriptedAnswers, which records each box and answers it.
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window.h"

namespace platform {

// Button results, numbered as the program has always numbered them.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

enum class BoxKind { Plain, Exclamation, Information, YesNo, YesNoCancel };

// The caption of a box that names none: the program's name, never an empty title bar (which
// the window system fills with the executable's name).
inline constexpr const char* kProgramCaption = "Ondravik 3D";

struct BoxRequest {
  Window owner = nullptr;
  BoxKind kind = BoxKind::Plain;
  std::string caption;
  std::string text;
};

class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  // Shows the box and returns the button chosen (kIdOk, kIdCancel, kIdYes or kIdNo).
  virtual int ShowBox(const BoxRequest& request) = 0;
};

// Installs a service (null: the fallback, which writes the box to stderr and answers OK, or
// Cancel for a question); returns the one installed before.
MessageBoxService* SetMessageBoxService(MessageBoxService* service);
// Shows the box through the installed service; a caption of nothing but blanks becomes
// kProgramCaption. A box tells an outcome or asks, and nothing may stand beside it that says
// the work goes on: the busy window ends first ("Saving Data..." stood under "Unable to
// Save"), and each window of work that watches the boxes steps aside.
int ShowBox(const BoxRequest& request);

// A window of work under way other than the busy window (a progress window with Cancel),
// told on the user-interface thread before each box shows. It watches while it lives.
class BoxWatcher {
 public:
  virtual void BeforeBox() = 0;

 protected:
  ~BoxWatcher() = default;
};
// User-interface thread only.
void WatchBoxes(BoxWatcher* watcher);
void UnwatchBoxes(BoxWatcher* watcher);

// Answers boxes from a script instead of asking anyone, and records every box it was shown.
// Installs itself while it lives. Without a scripted answer a box is answered OK, or Cancel
// for a question.
class ScriptedAnswers : public MessageBoxService {
 public:
  ScriptedAnswers();
  ~ScriptedAnswers() override;
  ScriptedAnswers(const ScriptedAnswers&) = delete;
  ScriptedAnswers& operator=(const ScriptedAnswers&) = delete;

  void Answer(int button) {
    std::lock_guard lock(mutex_);
    answers_.push_back(button);
  }
  std::vector<BoxRequest> Boxes() const {
    std::lock_guard lock(mutex_);
    return boxes_;
  }
  int ShowBox(const BoxRequest& request) override;

 private:
  mutable std::mutex mutex_;
  std::deque<int> answers_;
  std::vector<BoxRequest> boxes_;
  MessageBoxService* previous_ = nullptr;
};

}  // namespace platform

// The program's message-box helpers. The "Ids" forms take the caption and the text from the
// string table. A missing id never hides a box: its text names the id instead (the test of
// the string table makes sure that no id the program uses is missing).
int MsgBox(platform::Window owner, std::string_view caption, std::string_view text);
int MsgBoxIds(platform::Window owner, int captionId, int textId);
int ErrorBox(platform::Window owner, std::string_view caption, std::string_view text);
int ErrorBoxIds(platform::Window owner, int captionId, int textId);
int InfoBox(platform::Window owner, std::string_view caption, std::string_view text);
int InfoBoxIds(platform::Window owner, int captionId, int textId);
int AskYesNo(platform::Window owner, std::string_view caption, std::string_view text);
int AskYesNoIds(platform::Window owner, int captionId, int textId);
int AskYesNoCancel(platform::Window owner, std::string_view caption, std::string_view text);
int AskYesNoCancelIds(platform::Window owner, int captionId, int textId);
