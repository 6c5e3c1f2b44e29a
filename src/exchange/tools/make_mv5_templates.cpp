// Writes the two worksheet templates of the fit export to the sibling product's DOS
// worksheets, "QKMV5A.OVL" (full worksheet) and "QKMV5B.OVL" (generated surface), into the
// directory given: each a worksheet file whose only item is item 2, which the export copies
// into every file it writes. The item is small: one column of one text cell naming the
// template ("FULL" or "GRID").
//
//   make_mv5_templates <directory>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/byte_codec.h"
#include "exchange/export/mv5_export.h"
#include "exchange/mv5_records.h"

namespace {

MvCode WriteTemplate(const std::filesystem::path& path, const char* name, const char* content) {
  TMvWriteHandle h;
  MvCode code = MvCreate(h, path, kMv5FileHeaderText, nullptr);
  const auto step = [&code](MvCode c) {
    if (code == MvCode::kOk) code = c;
  };
  TMvDescriptor d;
  MvInitDataItem(d, 1, 1);  // the item's sizes and constant words; its own name and tag
  std::memset(&d[mv5::kItemName], 0, 64);
  std::memcpy(&d[mv5::kItemName], name, std::strlen(name));
  std::memset(&d[mv5::kItemTag], 0, 10);
  std::memcpy(&d[mv5::kItemTag], "rk_tp", 5);
  step(MvBeginItem(h, kMvExtraItem, kMv5ItemHeaderText, d));
  TMvColumnRecord record;
  MvInitColumnRecord(record, 0, 1, 2);
  step(MvBeginColumn(h, record));
  TMvCell cell;
  MvPackText(cell, content);
  step(MvWriteCells(h, std::span(&cell, 1)));
  step(MvEndItem(h));
  step(MvCloseWrite(h));
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_mv5_templates <directory>\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  if (WriteTemplate(dir / kMv5TemplateFull, "Ondravik 3D template A", "FULL") != MvCode::kOk ||
      WriteTemplate(dir / kMv5TemplateGenerated, "Ondravik 3D template B", "GRID") != MvCode::kOk) {
    std::fprintf(stderr, "make_mv5_templates: cannot write the templates into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
