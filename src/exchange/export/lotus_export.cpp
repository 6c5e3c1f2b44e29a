#include "exchange/export/lotus_export.h"

#include "app/byte_codec.h"
#include "app/file_utils.h"
#include "app/worksheet_records.h"

namespace {

class TLotusSink : public TExportCellSink {
 public:
  TLotusSink(bytes::ByteWriter& out, bool wk3) : out_(out), wk3_(wk3) {}
  void Number(int column, int row, long double value) override {
    if (wk3_)
      (void)WK3PutNumber(out_, column, row, value);
    else
      (void)WK1PutNumber(out_, column, row, static_cast<double>(value));
  }
  void Label(int column, int row, std::string_view text, bool rightAligned) override {
    const char prefix = rightAligned ? '"' : '\'';
    if (wk3_)
      (void)WK3PutLabel(out_, column, row, text, prefix);
    else
      (void)WK1PutLabel(out_, column, row, text.substr(0, kLotusExportMaxLabel), prefix);
  }

 private:
  bytes::ByteWriter& out_;
  bool wk3_;
};

}  // namespace

TExportOutcome LotusExportTable(const std::filesystem::path& path, int fileKind, const TExportTableInput& in) {
  if (in.request->tableKind < 0 || in.request->tableKind > 3) return {};
  const bool wk3 = fileKind == 3;
  const TExportGrid grid = MakeExportGrid(*in.request);
  const TExportLayout layout = ExportTableLayout(in, grid, kLotusMaxRow);
  bytes::ByteWriter out;
  if (wk3)
    (void)WK3PutHeader(out, layout.lastColumn, layout.lastRow);
  else
    (void)WK1PutHeader(out, layout.lastColumn, layout.lastRow);
  TLotusSink sink(out, wk3);
  TExportOutcome outcome = WriteExportCells(in, grid, ExportGridRules::kLotusExcel, kLotusMaxRow, sink);
  if (wk3)
    (void)WK3PutTrailer(out);
  else
    (void)WK1PutEOF(out);
  if (ExportEvaluationsStopped() || !SaveGlobalToFile(out.Bytes(), path)) outcome.result = -1;
  return outcome;
}
