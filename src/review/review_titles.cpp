#include "review/review_titles.h"

#include "platform/gui_thread.h"

TReviewTitleSets& ReviewTitleSets() {
  platform::AssertUiThread();
  static TReviewTitleSets sets;
  return sets;
}

TReviewTitleSets& ResidualTitleSets() {
  platform::AssertUiThread();
  static TReviewTitleSets sets;
  return sets;
}
