#include "smooth/libs/numerical_library.h"

#include <atomic>
#include <mutex>
#include <utility>

namespace {

// The table changes only when the count passes between 0 and 1; a holder of a reference
// reads it without the lock, because it cannot change while the reference is held.
std::mutex g_mutex;
std::atomic<int> g_references{0};
TNumLibTable g_table;
TNumLibSource g_source;

}  // namespace

int LoadNumLib(bool load) {
  std::lock_guard lock(g_mutex);
  if (!load) {
    if (g_references > 0 && --g_references == 0) g_table = TNumLibTable{};
    return 1;
  }
  if (g_references == 0) {
    std::optional<TNumLibTable> table = g_source ? g_source() : BuiltInNumLib();
    if (!table) return 0;
    g_table = *table;
  }
  ++g_references;
  return 1;
}

bool NumLibLoaded() { return g_references.load() > 0; }

const TNumLibTable& NumLib() { return g_table; }

void SetNumLibSource(TNumLibSource source) {
  std::lock_guard lock(g_mutex);
  g_source = std::move(source);
}
