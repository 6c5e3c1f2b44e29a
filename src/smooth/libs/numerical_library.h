// Loading the numerical library (smooth/numlib/numlib.h) for the engines that call it.
//
// One table of entries serves the whole program. Every engine that needs the library takes
// a reference with LoadNumLib(true) and gives it back with LoadNumLib(false); the table is
// filled by the first reference and cleared when the last is given back, so that one
// engine going away never pulls the routines from under another.
//
// The library is built into the program, so loading finds it unless a test has installed
// a different source (SetNumLibSource): no library at all, or a table with entries missing,
// to exercise the engines' fallbacks.
#pragma once

#include <functional>
#include <optional>

#include "smooth/numlib/numlib.h"

// Takes (load) or gives back (!load) one reference. Loading answers 1 when the table is
// available, 0 when there is no library (no reference is then held); giving back answers 1.
[[nodiscard]] int LoadNumLib(bool load);

// Whether a reference is held at this moment.
bool NumLibLoaded();

// The current table (all null while no reference is held).
const TNumLibTable& NumLib();

// The entry as its own type: null when the library is not loaded or does not serve it.
template <TNumLibEntry E>
typename TNumLibSignature<E>::Type NumLibEntry() {
  return NumLibEntryOf<E>(NumLib());
}

// Where the next first load takes its table from: nothing for "no library". An empty
// function restores the built-in library. For tests; call while no reference is held.
using TNumLibSource = std::function<std::optional<TNumLibTable>()>;
void SetNumLibSource(TNumLibSource source);
