#include "exchange/import_registration.h"

#include "app/data_session.h"
#include "app/import_readers.h"
#include "exchange/ascii_readers.h"
#include "exchange/dbase_reader.h"
#include "exchange/dif_reader.h"
#include "exchange/excel_readers.h"
#include "exchange/import_detection.h"
#include "exchange/mv5_reader.h"
#include "exchange/mvw_reader.h"
#include "exchange/notebook_readers.h"
#include "exchange/sav_readers.h"
#include "exchange/sav_writers.h"
#include "exchange/worksheet_readers.h"

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

  for (int kind : {6, 7, 8, 10, 12}) {
    r.Read[static_cast<std::size_t>(kind)] = ReadWorksheet;
    r.ReadColumn[static_cast<std::size_t>(kind)] = ReadWorksheetColumn;
  }
  r.Read[9] = ReadQuattroWB1;
  r.ReadColumn[9] = ReadQuattroWB1Column;
  r.Read[11] = ReadQuattroWQ1;
  r.ReadColumn[11] = [](const std::string& path, int, int column) { return ReadQuattroWQ1Column(path, column); };
  r.ReadMatrix = ReadWorksheetMatrix;

  r.Read[13] = ReadExcelBiff;
  r.ReadColumn[13] = [](const std::string& path, int, int column) { return ReadExcelColumn(path, column); };
  r.Read[14] = ReadMv5;
  r.ReadColumn[14] = [](const std::string& path, int, int column) { return ReadMv5Column(path, column); };
  r.Read[15] = ReadMvw;
  r.ReadColumn[15] = [](const std::string& path, int, int column) { return ReadMvwColumn(path, column); };
  r.Read[20] = ReadOleExcel;
  r.ReadColumn[20] = ReadOleExcelColumn;
  for (int kind : {21, 22}) {
    r.Read[static_cast<std::size_t>(kind)] = ReadNotebook;
    r.ReadColumn[static_cast<std::size_t>(kind)] = ReadNotebookColumn;
  }
  r.Read[23] = ReadOkapSav;
  r.Read[24] = ReadOkapSavOwn;
  for (int kind : {23, 24})
    r.ReadColumn[static_cast<std::size_t>(kind)] = [](const std::string& path, int, int variable) {
      return ReadOkapVariable(path, variable);
    };
  r.WriteSav = [](const TDataSession& session, const std::string& path) {
    return WriteOkapSav(path, session.Table.XYZData(), session.DataTitles()).Code();
  };
  r.WriteSavPoints = [](std::span<const TXYZPoint> table, const std::string& path) {
    return WriteOkapSavXYZ(path, table).Code();
  };

  // The listers of the column dialogs.
  for (int kind : {2, 3, 4}) r.List[static_cast<std::size_t>(kind)] = ListAsciiColumns;
  r.List[5] = ListDbaseFields;
  for (int kind : {6, 7, 8, 10, 11, 12})
    r.List[static_cast<std::size_t>(kind)] = [kind](const std::string& path, std::vector<std::string>& list) {
      return ListWorksheetColumns(path, list, kind);
    };
  r.List[9] = ListWB1Columns;
  r.List[13] = ListExcelColumns;
  r.List[14] = [](const std::string& path, std::vector<std::string>& list) { return ListMv5Columns(path, list); };
  r.List[15] = [](const std::string& path, std::vector<std::string>& list) { return ListMvwColumns(path, list); };
  for (int kind : {17, 18, 19}) r.List[static_cast<std::size_t>(kind)] = ListDifColumns;
  r.List[20] = ListOleExcelColumns;
  for (int kind : {21, 22}) r.List[static_cast<std::size_t>(kind)] = ListNotebookColumns;
  for (int kind : {23, 24})
    r.List[static_cast<std::size_t>(kind)] = [](const std::string& path, std::vector<std::string>& list) {
      return ListOkapVariables(path, list);
    };
}
