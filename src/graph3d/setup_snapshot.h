// A copy of everything an option dialog can change through a graph setup record: the view,
// scaling, points and animation records, the colour scheme with the user schemes, both title
// sets and the graph font. The option commands take one before a dialog runs and put it back
// when the dialog is cancelled, so that a preview renderer's state, written into the record
// when the dialog goes, never survives a Cancel.
#pragma once

#include <optional>

#include "graph3d/graph_setup.h"

class TSetupSnapshot {
 public:
  explicit TSetupSnapshot(const T3DGraphSetup& setup);
  // Writes the copy back into the record and the option records it points to.
  void Restore(T3DGraphSetup& setup) const;
  // Whether the record and its option records still equal the copy.
  bool Matches(const T3DGraphSetup& setup) const;
  const T3DScalingBlock& Scaling() const { return scaling_; }

 private:
  std::optional<T3DViewRec> view_;
  T3DScalingBlock scaling_;
  std::optional<T3DPointsRec> points_;
  std::optional<T3DAnimRec> anim_;
  std::optional<std::int32_t> scheme_;
  std::int32_t userScheme_ = 0;
  std::optional<TUserColorSchemes> userSchemes_;
  std::optional<T3DTitleSet> titles_;
  std::optional<T3DTitleSet> titleSettings_;
  std::optional<platform::Font> font_;
  std::int32_t lockMask_ = 0;
};
