// The option records of a 3D graph: view, data points, animation, axis scaling and graph
// printing. Each has a fixed little-endian layout because it is kept in the settings file
// and, for view (.v3d), scaling (.scl) and animation (.ani), is also a file of its own.
// The structs below are the in-memory form; Encode*/Decode* are the only way to and from
// bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Axes of the scaling block and of the renderer's scales.
inline constexpr int kAxisX = 0;
inline constexpr int kAxisY = 1;
inline constexpr int kAxisZ = 2;

// View record: graph type, mesh, angles, light, planes, labels, frame size, perspective.
struct T3DViewRec {
  std::int16_t GraphType = 5;
  std::int16_t MeshX = 35;
  std::int16_t MeshY = 35;
  std::int16_t HideMesh = 0;
  long double AngleXY = 210;  // rotation about the vertical axis, degrees
  long double AngleZ = 20;    // elevation, degrees
  long double LightXY = 30;   // light direction as offsets to the two angles
  long double LightZ = 15;
  std::int16_t GridBits = 63;     // low six bits grid families, high byte the dot level
  std::int16_t BackPlanes = 3;    // 0 none, 1 outline, 2 full/closed, 3 full/open
  std::int16_t ContourBits = 0;   // 1 bottom plane, 2 top plane
  std::int16_t LabelBits = 1023;  // 1 X, 2 Y, 4 Z1, 8 Z2, 16/32 rotate, 0x40-0x200 titles
  long double FrameSize = 1;
  std::int32_t Perspective = 2;  // 0 none, 1-5

  static constexpr std::size_t kSize = 70;
  // Files written before the perspective level existed end after the frame size.
  static constexpr std::size_t kShortSize = 66;
  friend bool operator==(const T3DViewRec&, const T3DViewRec&) = default;
};

// Which settings slot a default view record is made for: they differ in a few fields.
enum class ViewRecKind { Standard, UserFunctionGraph, ReviewPane, Sampler };
T3DViewRec DefaultViewRec(ViewRecKind kind = ViewRecKind::Standard);

// Data point style. The stored record ends with a 32-bit word that once held the address
// of the current fit's standard error; it means nothing when read back, so it is kept as
// read (`FitRecordWord`) and the live link is `FitRecord`, never stored.
struct T3DPointsRec {
  std::uint16_t Size = 3;
  std::uint16_t Shape = 2;    // 1 square, 2 circle, 3 diamond
  std::uint16_t Fill = 1;     // 0 none, 1 four colour, 2-5 colour 1-4
  std::uint16_t Display = 1;  // low byte 1 all, 2 visible only, 3 hide; 0x100 hide Z lines
  std::uint32_t FitRecordWord = 0;
  // The current fit's standard error (the `fitStdError` field of its record), or null.
  const long double* FitRecord = nullptr;

  static constexpr std::size_t kSize = 12;
  bool operator==(const T3DPointsRec& o) const {
    return Size == o.Size && Shape == o.Shape && Fill == o.Fill && Display == o.Display &&
           FitRecordWord == o.FitRecordWord && FitRecord == o.FitRecord;
  }
};
T3DPointsRec DefaultPointsRec(bool userFunctionGraph = false);

// Animation: low byte of Vary the mode 1-4, high byte the scope 0-2; angles in degrees.
struct T3DAnimRec {
  std::int16_t Vary = 1;
  std::int16_t StartXY = 5;
  std::int16_t EndXY = 355;
  std::int16_t StepXY = 5;
  std::int16_t StartZ = 60;
  std::int16_t EndZ = -60;
  std::int16_t StepZ = -5;

  int Mode() const { return Vary & 0xFF; }
  int Scope() const { return (Vary >> 8) & 0xFF; }
  static constexpr std::size_t kSize = 14;
  friend bool operator==(const T3DAnimRec&, const T3DAnimRec&) = default;
};

// The scaling block of the graph setup record, per axis X, Y, Z (kAxisX..kAxisZ). On a
// logarithmic axis the axis range is held in decades.
struct T3DScalingBlock {
  std::array<std::int16_t, 3> Auto{1, 1, 1};
  std::array<std::int16_t, 3> Log{0, 0, 0};
  std::array<long double, 3> Zoom{1, 1, 1};
  std::array<long double, 3> AxisLow{0, 0, 0};
  std::array<long double, 3> AxisHigh{1, 1, 1};
  std::array<std::int16_t, 3> Divs{1, 1, 1};
  std::array<long double, 3> DataLow{0, 0, 0};
  std::array<long double, 3> DataHigh{1, 1, 1};
  std::array<std::int16_t, 3> DataDivs{1, 1, 1};

  static constexpr std::size_t kSize = 174;
  friend bool operator==(const T3DScalingBlock&, const T3DScalingBlock&) = default;
};

// Graph print layout; bytes 42-53 are not interpreted and are kept as read.
struct TPrintGraphRec {
  std::int16_t Layout = 1;       // 0 half page, 1 full page, 2/3 custom portrait/landscape
  std::int16_t FrameGraph = 0;
  std::int16_t UseColor = 0;
  std::int16_t AddSummary = 0;
  std::int16_t Orientation = 1;  // 0 portrait, 1 landscape
  std::array<float, 4> PortraitMargins{1.5f, 2.5f, 1.5f, 14.0f};  // cm: left, top, right, bottom
  std::array<float, 4> LandscapeMargins{2.54f, 2.54f, 2.54f, 2.54f};
  std::array<std::uint8_t, 12> Reserved{};

  static constexpr std::size_t kSize = 54;
  friend bool operator==(const TPrintGraphRec&, const TPrintGraphRec&) = default;
};

// Encoders give exactly the record's size. Decoders take exactly that size (the view
// record also its 66-byte form, perspective 0) and return false for any other; they take
// values as stored, without range checks, so that settings round-trip byte for byte.
std::vector<std::uint8_t> EncodeViewRec(const T3DViewRec& rec);
[[nodiscard]] bool DecodeViewRec(std::span<const std::uint8_t> bytes, T3DViewRec& out);
std::vector<std::uint8_t> EncodePointsRec(const T3DPointsRec& rec);
[[nodiscard]] bool DecodePointsRec(std::span<const std::uint8_t> bytes, T3DPointsRec& out);
std::vector<std::uint8_t> EncodeAnimRec(const T3DAnimRec& rec);
[[nodiscard]] bool DecodeAnimRec(std::span<const std::uint8_t> bytes, T3DAnimRec& out);
std::vector<std::uint8_t> EncodeScalingBlock(const T3DScalingBlock& block);
[[nodiscard]] bool DecodeScalingBlock(std::span<const std::uint8_t> bytes, T3DScalingBlock& out);
std::vector<std::uint8_t> EncodePrintGraphRec(const TPrintGraphRec& rec);
[[nodiscard]] bool DecodePrintGraphRec(std::span<const std::uint8_t> bytes, TPrintGraphRec& out);

// Range checks for records that come from outside (option files, the settings file):
// false when a real is not finite, a graph type is none of the 20, an axis range is empty
// or wider than the 80-bit range, or a log axis ends beyond 1E-4900 .. 1E4900 (the record
// must then be refused); otherwise values are clamped to what the option dialogs can set,
// flag words keep only the bits the dialogs set, and a zero zoom or division count reads
// as 1.
[[nodiscard]] bool SanitizeViewRec(T3DViewRec& rec);
// A finite rotation angle as the view dialog keeps it, 0 to 360 (360 stays: the dialog's
// bar sets it): one outside is reduced by whole turns, so that 1e4000 or -3e9 degrees (a
// damaged record) never reach an int. Not finite: the default 210.
long double ReducedViewAngle(long double angle);
[[nodiscard]] bool SanitizeScalingBlock(T3DScalingBlock& block);

// The graph print record as printing takes it: false when its layout is none of the four or a
// margin is not a number of centimetres from 0 to 100 (the record must then be refused or
// replaced); otherwise the orientation is made the layout's and the flags 0 or 1.
bool SanitizePrintGraphRec(TPrintGraphRec& rec);

// An axis range whose ends are equal made non-empty, as the scaling dialog leaves it and the
// scaling reader takes it: the top is raised by 1, or, where 1 is lost in the magnitude (past
// 2^64), by 2^-40 of it; at the top of long double's range the bottom goes down instead.
// Other ranges stay as they are.
void WidenEmptyRange(long double& lo, long double& hi);
// False when the vary mode is not 1-4 or the scope not 0-2 (a record no dialog makes);
// otherwise the angles are clamped to the dialog's fields.
[[nodiscard]] bool SanitizeAnimRec(T3DAnimRec& rec);
