#include "graph3d/ui/preview_clock.h"

#include <QTimer>

TPreviewClock::TPreviewClock(QObject* parent, std::function<void()> tick)
    : QObject(parent), timer_(new QTimer(this)) {
  timer_->setInterval(kIntervalMs);
  connect(timer_, &QTimer::timeout, this, [tick = std::move(tick)] { tick(); });
}

void TPreviewClock::Start() { timer_->start(); }
void TPreviewClock::Stop() { timer_->stop(); }
bool TPreviewClock::Running() const { return timer_->isActive(); }
