#include "platform/qt/window_stacking.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <QObject>

#include <xcb/xcb.h>

#include <cstdlib>
#include <utility>

namespace platform::qt {

namespace {

// The X connection the program's windows live on, or null on another platform.
xcb_connection_t* Connection() {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (app == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
  auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_window_t Root(xcb_connection_t* c) { return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root; }

xcb_atom_t StackingAtom(xcb_connection_t* c) {
  static xcb_connection_t* known = nullptr;
  static xcb_atom_t atom = static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  if (known != c) {
    static const char kName[] = "_NET_CLIENT_LIST_STACKING";
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof kName - 1, kName), nullptr);
    atom = reply != nullptr ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    known = c;
  }
  return atom;
}

class TXcbStackingWatch : public QObject, public QAbstractNativeEventFilter, public TStackingWatch {
 public:
  TXcbStackingWatch(xcb_connection_t* c, std::function<void()> restacked)
      : root_(Root(c)), atom_(StackingAtom(c)), restacked_(std::move(restacked)) {
    // The root's changes of property are heard of (the platform asks for them too; the mask is
    // this program's own, so what it asked for stays).
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, root_), nullptr);
    if (attributes != nullptr && (attributes->your_event_mask & XCB_EVENT_MASK_PROPERTY_CHANGE) == 0) {
      const std::uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_PROPERTY_CHANGE;
      xcb_change_window_attributes(c, root_, XCB_CW_EVENT_MASK, &mask);
      xcb_flush(c);
    }
    std::free(attributes);
    QCoreApplication::instance()->installNativeEventFilter(this);
  }
  ~TXcbStackingWatch() override {
    if (QCoreApplication::instance() != nullptr) QCoreApplication::instance()->removeNativeEventFilter(this);
  }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
    if (eventType != "xcb_generic_event_t" || atom_ == XCB_ATOM_NONE) return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
    const auto* change = static_cast<const xcb_property_notify_event_t*>(message);
    if (change->window != root_ || change->atom != atom_ || pending_) return false;
    // Answered from the event loop, once the changes that come together are in.
    pending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          pending_ = false;
          if (restacked_) restacked_();
        },
        Qt::QueuedConnection);
    return false;
  }

 private:
  xcb_window_t root_;
  xcb_atom_t atom_;
  std::function<void()> restacked_;
  bool pending_ = false;
};

}  // namespace

std::vector<WId> ManagedStacking() {
  std::vector<WId> order;
  xcb_connection_t* c = Connection();
  if (c == nullptr) return order;
  const xcb_atom_t atom = StackingAtom(c);
  if (atom == XCB_ATOM_NONE) return order;
  xcb_get_property_reply_t* reply =
      xcb_get_property_reply(c, xcb_get_property(c, 0, Root(c), atom, XCB_ATOM_WINDOW, 0, 1 << 16), nullptr);
  if (reply != nullptr && reply->format == 32) {
    const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
    const int count = xcb_get_property_value_length(reply) / 4;
    order.assign(ids, ids + count);
  }
  std::free(reply);
  return order;
}

std::unique_ptr<TStackingWatch> WatchStacking(std::function<void()> restacked) {
  xcb_connection_t* c = Connection();
  if (c == nullptr) return nullptr;
  return std::make_unique<TXcbStackingWatch>(c, std::move(restacked));
}

}  // namespace platform::qt
