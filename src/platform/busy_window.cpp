#include "platform/busy_window.h"

#include <atomic>
#include <mutex>

#include "platform/message_box.h"
#include "platform/string_table.h"

namespace platform {
namespace {

std::atomic<BusyWindowService*> g_service{nullptr};
std::mutex g_mutex;
BusyState g_state;

// A busy window that names no caption carries the program's, as a message box does.
std::string CaptionOrProgramName(std::string_view caption) {
  return caption.find_first_not_of(" \t") == std::string_view::npos ? std::string(kProgramCaption)
                                                                      : std::string(caption);
}

}  // namespace

BusyWindowService* SetBusyWindowService(BusyWindowService* service) {
  return g_service.exchange(service);
}

BusyState CurrentBusyState() {
  std::lock_guard lock(g_mutex);
  return g_state;
}

}  // namespace platform

using platform::g_mutex;
using platform::g_service;
using platform::g_state;

void ShowBusyMsg(platform::Window parent, std::string_view caption, std::string_view text,
                 int hourglass) {
  HideBusyMsg();
  const std::string named = platform::CaptionOrProgramName(caption);
  {
    std::lock_guard lock(g_mutex);
    g_state = {true, hourglass != 0, named, std::string(text)};
  }
  if (auto* service = g_service.load()) service->Show(parent, named, std::string(text), hourglass != 0);
}

void ShowBusyMsgId(platform::Window parent, int captionId, int textId, int hourglass) {
  std::string_view caption = platform::LoadString(captionId);
  std::string_view text = platform::LoadString(textId);
  if (caption.empty() || text.empty()) {
    HideBusyMsg();
    return;
  }
  ShowBusyMsg(parent, caption, text, hourglass);
}

void UpdateBusyMsg(const char* caption, const char* text) {
  std::string newCaption, newText;
  {
    std::lock_guard lock(g_mutex);
    if (!g_state.shown) return;
    if (caption) g_state.caption = newCaption = platform::CaptionOrProgramName(caption);
    if (text) g_state.text = newText = text;
  }
  if (auto* service = g_service.load())
    service->Update(caption ? &newCaption : nullptr, text ? &newText : nullptr);
}

void HideBusyMsg() {
  {
    std::lock_guard lock(g_mutex);
    if (!g_state.shown) return;
    g_state = {};
  }
  if (auto* service = g_service.load()) service->Hide();
}
