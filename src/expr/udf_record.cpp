#include "expr/udf_record.h"

#include "platform/gui_thread.h"

namespace {

TUdfTable& UnboundTable() {
  static TUdfTable table;
  return table;
}

TUdfTable* g_bound = nullptr;  // user-interface thread; see ExprBindUdfTable

}  // namespace

TUdfTable CopyUdfTable(const TUdfTable& table) {
  TUdfTable copy;
  for (std::size_t k = 0; k < table.size(); ++k)
    if (table[k]) copy[k] = std::make_unique<TUdfRecord>(*table[k]);
  return copy;
}

int UdfTableDefinedCount(const TUdfTable& table) {
  int n = 0;
  for (const auto& r : table) n += r ? 1 : 0;
  return n;
}

void ExprBindUdfTable(TUdfTable* table) {
  platform::AssertUiThread();
  g_bound = table;
}

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
