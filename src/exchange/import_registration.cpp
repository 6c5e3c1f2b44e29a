#include "exchange/import_registration.h"

#include "app/import_readers.h"
#include "exchange/ascii_readers.h"
#include "exchange/dbase_reader.h"
#include "exchange/dif_reader.h"
#include "exchange/import_detection.h"

void RegisterImportReaders() {
  TImportReaders& r = ImportReaders();
  r.Detect = DetectImportFileType;
  r.Read[3] = ReadAsciiXYZ;
  r.Read[4] = ReadAsciiMultiColumn;
  r.Read[5] = ReadDbase;
  r.Read[18] = ReadDif;
  r.Read[19] = ReadDif;
  const auto asciiColumn = [](const std::string& path, int, int column) {
    return ReadAsciiColumn(path, column);
  };
  const auto difColumn = [](const std::string& path, int, int column) {
    return ReadDifColumn(path, column);
  };
  r.ReadColumn[5] = [](const std::string& path, int, int field) {
    return ReadDbaseColumn(path, field);
  };
  for (int kind : {2, 3, 4}) r.ReadColumn[static_cast<std::size_t>(kind)] = asciiColumn;
  for (int kind : {17, 18, 19}) r.ReadColumn[static_cast<std::size_t>(kind)] = difColumn;
}
