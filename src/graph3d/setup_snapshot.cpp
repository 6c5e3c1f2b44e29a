#include "graph3d/setup_snapshot.h"

namespace {

template <typename T>
std::optional<T> CopyOf(const T* p) {
  return p != nullptr ? std::optional<T>(*p) : std::nullopt;
}

template <typename T>
void PutBack(T* p, const std::optional<T>& copy) {
  if (p != nullptr && copy) *p = *copy;
}

template <typename T>
bool Same(const T* p, const std::optional<T>& copy) {
  return p == nullptr ? !copy : (copy && *p == *copy);
}

bool SameTitles(const T3DTitleSet* p, const std::optional<T3DTitleSet>& copy) {
  if (p == nullptr || !copy) return p == nullptr && !copy;
  return p->Lines == copy->Lines && p->AxisTitles == copy->AxisTitles &&
         p->FontSizes == copy->FontSizes && p->Enabled == copy->Enabled &&
         p->LineCoded == copy->LineCoded && p->AxisCoded == copy->AxisCoded &&
         p->FixedSizes == copy->FixedSizes;
}

}  // namespace

TSetupSnapshot::TSetupSnapshot(const T3DGraphSetup& setup)
    : view_(CopyOf(setup.View)),
      scaling_(setup.Scaling),
      points_(CopyOf(setup.PointsOpt)),
      anim_(CopyOf(setup.Anim)),
      scheme_(CopyOf(setup.Scheme)),
      userScheme_(setup.UserScheme),
      userSchemes_(CopyOf(setup.UserSchemes)),
      titles_(CopyOf(setup.Titles)),
      titleSettings_(CopyOf(setup.TitleSettings)),
      font_(CopyOf(setup.Font)),
      lockMask_(setup.LockMask) {}

void TSetupSnapshot::Restore(T3DGraphSetup& setup) const {
  PutBack(setup.View, view_);
  setup.Scaling = scaling_;
  PutBack(setup.PointsOpt, points_);
  PutBack(setup.Anim, anim_);
  PutBack(setup.Scheme, scheme_);
  setup.UserScheme = userScheme_;
  PutBack(setup.UserSchemes, userSchemes_);
  PutBack(setup.Titles, titles_);
  PutBack(setup.TitleSettings, titleSettings_);
  PutBack(setup.Font, font_);
  setup.LockMask = lockMask_;
}

bool TSetupSnapshot::Matches(const T3DGraphSetup& setup) const {
  return Same(setup.View, view_) && setup.Scaling == scaling_ && Same(setup.PointsOpt, points_) &&
         Same(setup.Anim, anim_) && Same(setup.Scheme, scheme_) && setup.UserScheme == userScheme_ &&
         Same(setup.UserSchemes, userSchemes_) && SameTitles(setup.Titles, titles_) &&
         SameTitles(setup.TitleSettings, titleSettings_) && Same(setup.Font, font_) &&
         setup.LockMask == lockMask_;
}
