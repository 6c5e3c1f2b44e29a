#include "expr/udf_record.h"

namespace {

TUdfTable& UnboundTable() {
  static TUdfTable table;
  return table;
}

TUdfTable* g_bound = nullptr;  // user-interface thread; see ExprBindUdfTable

}  // namespace

void ExprBindUdfTable(TUdfTable* table) { g_bound = table; }

TUdfTable& BoundUdfTable() { return g_bound ? *g_bound : UnboundTable(); }

TUdfRecord* UdfRecordAt(int k) {
  if (k < 0 || k >= kUdfCount) return nullptr;
  return BoundUdfTable()[static_cast<std::size_t>(k)].get();
}

int AllocUdf(int k) {
  if (k < 0 || k >= kUdfCount) return 0;
  BoundUdfTable()[static_cast<std::size_t>(k)] = std::make_unique<TUdfRecord>();
  return 1;
}

void FreeUdf(int k) {
  if (k < 0 || k >= kUdfCount) return;
  BoundUdfTable()[static_cast<std::size_t>(k)].reset();
}

void FreeAllUdfs() {
  for (int k = 0; k < kUdfCount; ++k) FreeUdf(k);
}
