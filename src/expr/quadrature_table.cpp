#include "expr/quadrature_table.h"

#include "app/byte_codec.h"
#include "expr/program_table_file.h"

namespace {

TProgramTableFile<TQuadTable>& TableFile() {
  static TProgramTableFile<TQuadTable> file(kQuadTableName, kQuadTableBytes, DecodeQuadTable);
  return file;
}

}  // namespace

std::vector<std::uint8_t> EncodeQuadTable(const TQuadTable& table) {
  bytes::ByteWriter w;
  for (const long double v : table.value) w.Extended(v);
  return w.Take();
}

bool DecodeQuadTable(std::span<const std::uint8_t> data, TQuadTable& table) {
  if (data.size() < kQuadTableBytes) return false;
  bytes::ByteReader r(data.first(kQuadTableBytes));
  for (long double& v : table.value) v = r.Extended();
  return r.Ok();
}

int LoadQuadOverlay() { return TableFile().Load(); }

const TQuadTable* QuadTable() { return TableFile().Get(); }

void FreeQuadOverlay() { TableFile().Free(); }

void QuadOverlayUseFile(const std::filesystem::path& file) { TableFile().UseFile(file); }
