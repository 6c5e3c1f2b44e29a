#include "review/review_titles.h"

TReviewTitleSets& ReviewTitleSets() {
  static TReviewTitleSets sets;
  return sets;
}
