#include "app/sav_write_result.h"

#include "app/value_not_held.h"

std::string SavRefusalText(const TSavWriteResult& result) {
  return ValueNotHeldText({result.refusedRow, result.refusedAxis, result.refusedValue}, ".sav");
}
