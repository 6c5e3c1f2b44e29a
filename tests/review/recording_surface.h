// A picture surface for the render thread's tests: every call is recorded (no font system,
// no window system), and the "pixels" are a digest of the calls, so that two pictures have
// the same pixels exactly when they were drawn by the same calls with the same arguments.
// A hook may run before each figure (to hold a drawing mid-way).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "platform/image_surface.h"
#include "platform/recording_device_context.h"

namespace review_test {

// Forwards every call to a recorder, running the hook before each figure.
class HookedContext final : public platform::DeviceContext {
 public:
  HookedContext(platform::RecordingDeviceContext& inner, std::function<void()> hook)
      : inner_(inner), hook_(std::move(hook)) {}

  platform::DeviceCaps Caps() const override { return inner_.Caps(); }
  platform::Pen SelectPen(const platform::Pen& p) override { return inner_.SelectPen(p); }
  platform::Brush SelectBrush(const platform::Brush& b) override { return inner_.SelectBrush(b); }
  platform::Font SelectFont(const platform::Font& f) override { return inner_.SelectFont(f); }
  const platform::Palette* SelectPalette(const platform::Palette* p) override { return inner_.SelectPalette(p); }
  int RealizePalette() override { return inner_.RealizePalette(); }
  platform::Color SetTextColor(platform::Color c) override { return inner_.SetTextColor(c); }
  platform::Color SetBkColor(platform::Color c) override { return inner_.SetBkColor(c); }
  platform::BkMode SetBkMode(platform::BkMode m) override { return inner_.SetBkMode(m); }
  unsigned SetTextAlign(unsigned f) override { return inner_.SetTextAlign(f); }
  void MoveTo(int x, int y) override { inner_.MoveTo(x, y); }
  void LineTo(int x, int y) override {
    Hook();
    inner_.LineTo(x, y);
  }
  void Polyline(std::span<const platform::Point> p) override {
    Hook();
    inner_.Polyline(p);
  }
  void Rectangle(int l, int t, int r, int b) override {
    Hook();
    inner_.Rectangle(l, t, r, b);
  }
  void Ellipse(int l, int t, int r, int b) override {
    Hook();
    inner_.Ellipse(l, t, r, b);
  }
  void Polygon(std::span<const platform::Point> p) override {
    Hook();
    inner_.Polygon(p);
  }
  void SetPixel(int x, int y, platform::Color c) override { inner_.SetPixel(x, y, c); }
  platform::Color GetPixel(int x, int y) const override { return inner_.GetPixel(x, y); }
  void TextOut(int x, int y, std::string_view t) override {
    Hook();
    inner_.TextOut(x, y, t);
  }
  platform::Size GetTextExtent(std::string_view t) const override { return inner_.GetTextExtent(t); }
  void SetClipRect(const platform::Rect& r) override { inner_.SetClipRect(r); }
  void ResetClip() override { inner_.ResetClip(); }
  std::unique_ptr<platform::DeviceContext> CreateCompatible(int w, int h) override {
    return inner_.CreateCompatible(w, h);
  }
  bool BitBlt(int x, int y, int w, int h, const platform::DeviceContext& s, int sx, int sy) override {
    return inner_.BitBlt(x, y, w, h, s, sx, sy);
  }

 private:
  void Hook() {
    if (hook_) hook_();
  }
  platform::RecordingDeviceContext& inner_;
  std::function<void()> hook_;
};

class RecordingSurface final : public platform::ImageSurface {
 public:
  RecordingSurface(int width, int height, std::function<void()> hook = nullptr)
      : recorder_(width, height), context_(recorder_, std::move(hook)), width_(width), height_(height) {}

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  platform::DeviceContext& Context() override { return context_; }
  // FNV-1a of each recorded call (its kind, points, box, text and colours), folded into the
  // pixel of its index.
  std::span<const std::uint32_t> Pixels() override {
    pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0xFFFFFFFFu);
    std::size_t index = 0;
    for (const platform::DcOp& op : recorder_.Ops()) {
      std::uint32_t hash = 2166136261u;
      auto mix = [&hash](std::int64_t v) {
        for (int k = 0; k < 8; ++k) hash = (hash ^ static_cast<std::uint8_t>(v >> (8 * k))) * 16777619u;
      };
      mix(static_cast<int>(op.kind));
      for (const platform::Point& p : op.points) {
        mix(p.x);
        mix(p.y);
      }
      for (const int v : {op.rect.left, op.rect.top, op.rect.right, op.rect.bottom}) mix(v);
      for (const char c : op.text) mix(c);
      for (const std::uint32_t c : {op.penRgb.ref, op.brushRgb.ref, op.color.ref}) mix(c);
      pixels_[index++ % pixels_.size()] ^= hash;
    }
    return pixels_;
  }

 private:
  platform::RecordingDeviceContext recorder_;
  HookedContext context_;
  int width_, height_;
  std::vector<std::uint32_t> pixels_;
};

}  // namespace review_test
