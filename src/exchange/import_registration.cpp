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
  for (int kind : {6, 7, 8, 10, 12}) r.Read[static_cast<std::size_t>(kind)] = ReadWorksheet;
  r.Read[9] = ReadQuattroWB1;
  r.Read[11] = ReadQuattroWQ1;
  r.Read[13] = ReadExcelBiff;
  r.Read[14] = ReadMv5;
  r.Read[15] = ReadMvw;
  r.Read[18] = ReadDif;
  r.Read[19] = ReadDif;
  r.Read[20] = ReadOleExcel;
  for (int kind : {21, 22}) r.Read[static_cast<std::size_t>(kind)] = ReadNotebook;
  r.Read[23] = ReadOkapSav;
  r.Read[24] = ReadOkapSavOwn;
  r.ReadMatrix = ReadWorksheetMatrix;

  // The paired column reads of the preview and the two-column read.
  using Columns = std::span<const int>;
  for (int kind : {2, 3, 4})
    r.ReadColumnPairs[static_cast<std::size_t>(kind)] = [](const std::string& path, int, Columns columns) {
      return ReadAsciiColumnPairs(path, columns);
    };
  r.ReadColumnPairs[5] = ReadDbaseColumnPairs;
  for (int kind : {6, 7, 8, 10, 12}) r.ReadColumnPairs[static_cast<std::size_t>(kind)] = ReadWorksheetColumnPairs;
  r.ReadColumnPairs[9] = ReadQuattroWB1ColumnPairs;
  r.ReadColumnPairs[11] = [](const std::string& path, int, Columns columns) {
    return ReadQuattroWQ1ColumnPairs(path, columns);
  };
  r.ReadColumnPairs[13] = [](const std::string& path, int, Columns columns) {
    return ReadExcelColumnPairs(path, columns);
  };
  r.ReadColumnPairs[14] = [](const std::string& path, int, Columns columns) {
    return ReadMv5ColumnPairs(path, columns);
  };
  r.ReadColumnPairs[15] = [](const std::string& path, int, Columns columns) {
    return ReadMvwColumnPairs(path, columns);
  };
  for (int kind : {17, 18, 19})
    r.ReadColumnPairs[static_cast<std::size_t>(kind)] = [](const std::string& path, int, Columns columns) {
      return ReadDifColumnPairs(path, columns);
    };
  r.ReadColumnPairs[20] = ReadOleExcelColumnPairs;
  for (int kind : {21, 22}) r.ReadColumnPairs[static_cast<std::size_t>(kind)] = ReadNotebookColumnPairs;
  for (int kind : {23, 24})
    r.ReadColumnPairs[static_cast<std::size_t>(kind)] = [](const std::string& path, int, Columns columns) {
      return ReadOkapColumnPairs(path, columns);
    };

  r.WriteSav = [](const TDataSession& session, const std::string& path) {
    return WriteOkapSav(path, session.Table.XYZData(), session.DataTitles());
  };
  r.WriteSavPoints = [](std::span<const TXYZPoint> table, const std::string& path) {
    return WriteOkapSavXYZ(path, table);
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
