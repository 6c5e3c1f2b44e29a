#include "expr/udf_record.h"

std::array<std::unique_ptr<TUdfRecord>, kUdfCount> UdfTable;

TUdfRecord* UdfRecordAt(int k) {
  if (k < 0 || k >= kUdfCount) return nullptr;
  return UdfTable[static_cast<std::size_t>(k)].get();
}

int AllocUdf(int k) {
  if (k < 0 || k >= kUdfCount) return 0;
  UdfTable[static_cast<std::size_t>(k)] = std::make_unique<TUdfRecord>();
  return 1;
}

void FreeUdf(int k) {
  if (k < 0 || k >= kUdfCount) return;
  UdfTable[static_cast<std::size_t>(k)].reset();
}

void FreeAllUdfs() {
  for (int k = 0; k < kUdfCount; ++k) FreeUdf(k);
}
