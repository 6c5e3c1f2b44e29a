#include "app/sav_write_result.h"

#include "app/c_format.h"

std::string SavRefusalText(const TSavWriteResult& result) {
  return CFormat("Row %d, %s: %.12LG Cannot Be Held by a .sav File\nNothing Was Written", result.refusedRow,
                 result.refusedAxis, result.refusedValue);
}
