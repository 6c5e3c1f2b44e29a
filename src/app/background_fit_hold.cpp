#include "app/background_fit_hold.h"

#include "app/data_files.h"
#include "app/data_session.h"
#include "app/data_signature.h"
#include "app/data_statistics.h"

namespace {

struct THolder {
  std::function<void()> hold;
  std::function<void()> resume;
};

THolder& Holder() {
  static THolder holder;
  return holder;
}

}  // namespace

void SetBackgroundFitHolder(std::function<void()> hold, std::function<void()> resume) {
  Holder() = {std::move(hold), std::move(resume)};
}

void HoldBackgroundFit() {
  if (Holder().hold) Holder().hold();
}

void ResumeBackgroundFit() {
  if (Holder().resume) Holder().resume();
}

bool SettleBackgroundFitHold(TDataSession& data, std::uint64_t reference) {
  const std::uint64_t now =
      DataSignature(data.Table.XYZData().first(static_cast<std::size_t>(data.Table.XYZRows()) + 1));
  if (now == reference) {
    ResumeBackgroundFit();
    return false;
  }
  // Changed data are new data: the pre-scan voids the old fits and starts the background
  // fit on these.
  VoidFitResults(data);
  PrescanData(data);
  return true;
}
