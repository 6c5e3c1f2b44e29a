#include "app/data_titles.h"

TDataTitles& DataTitles() {
  static TDataTitles titles;
  return titles;
}
