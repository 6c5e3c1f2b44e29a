#include "graph3d/ui/graph_output.h"

#include <QGuiApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include <cstring>

#include "app/bitmap_files.h"
#include "app/file_utils.h"
#include "app/settings_file.h"
#include "app/ui/text_window.h"
#include "graph3d/print_layout.h"
#include "platform/emf_recorder.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/qt/qt_device_context.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"
#include "platform/wmf_recorder.h"

namespace {

using platform::qt::QtDeviceContext;

constexpr int kWriteFailedText = 3075;
constexpr int kSaveMetafileTitle = 3301;
constexpr int kSaveBitmapTitle = 3303;

// Draws with the graph's top-left corner at the origin; the look restores the rectangle.
void PlaceAtOrigin(T3DBase& renderer, TGraphSize size) {
  renderer.SetGraphRect({0, 0, size.width, size.height});
}

int MetafileMode(bool preserveSymbols) { return preserveSymbols ? kDrawMetafile : kDrawMetafilePlain; }

// The screen-like context metafile text is measured on (the screen's resolution).
struct MeasureContext {
  QImage image{1, 1, QImage::Format_RGB32};
  QtDeviceContext dc{image};
};

class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
};

std::vector<std::uint32_t> PixelsOf(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(rgb.width()) * static_cast<std::size_t>(rgb.height()));
  for (int y = 0; y < rgb.height(); ++y)
    std::memcpy(pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(rgb.width()),
                rgb.constScanLine(y), static_cast<std::size_t>(rgb.width()) * 4);
  return pixels;
}

QByteArray Bytes(const std::vector<std::uint8_t>& v) {
  return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

int ScreenDpi() { return GetGraphDisplayFacts().screenDpiY; }

}  // namespace

TGraphOutputLook::TGraphOutputLook(T3DBase& renderer, bool useColor, bool frame)
    : renderer_(renderer),
      frameColor_(renderer.ColorIndex(kRoleFrameForPrint)),
      scheme_(renderer.SchemeNumber()),
      graphType_(renderer.View().GraphType),
      colorChanged_(!useColor),
      rect_(renderer.GraphRect()) {
  if (!useColor) {
    renderer_.SetSchemeNumber(0);
    renderer_.SetColorScheme();
    renderer_.MutableView().GraphType = static_cast<std::int16_t>(MonochromeGraphType(graphType_));
  }
  renderer_.Prepare();
  if (!frame) renderer_.SetColorIndex(kRoleFrameForPrint, renderer_.ColorIndex(kRoleBackground));
}

TGraphOutputLook::~TGraphOutputLook() {
  if (colorChanged_) {
    renderer_.SetSchemeNumber(scheme_);
    renderer_.SetColorScheme();
    renderer_.MutableView().GraphType = static_cast<std::int16_t>(graphType_);
  }
  renderer_.SetColorIndex(kRoleFrameForPrint, frameColor_);
  renderer_.Prepare();
  renderer_.SetGraphRect(rect_);
}

TGraphSize GraphSizeOf(const platform::Rect& rect) {
  return {std::max(rect.right - rect.left, 1), std::max(rect.bottom - rect.top, 1)};
}

std::string_view GraphEmfDescription() { return {"QVRK\0Graph\0\0", 12}; }

std::vector<std::uint8_t> RecordGraphWmf(T3DBase& renderer, TGraphSize size, int extentX, int extentY,
                                         bool preserveSymbols) {
  MeasureContext measure;
  PlaceAtOrigin(renderer, size);
  platform::WmfRecorder wmf(extentX, extentY, ScreenDpi(), &measure.dc);
  renderer.SetMeasureContext(&measure.dc);
  renderer.Draw(wmf, MetafileMode(preserveSymbols));
  renderer.SetMeasureContext(nullptr);
  return wmf.Finish();
}

std::vector<std::uint8_t> RecordGraphEmf(T3DBase& renderer, TGraphSize size, bool preserveSymbols) {
  MeasureContext measure;
  PlaceAtOrigin(renderer, size);
  // The drawing covers 0 .. w and 0 .. h inclusive.
  platform::EmfRecorder emf(size.width + 1, size.height + 1, ScreenDpi(), &measure.dc, GraphEmfDescription());
  renderer.SetMeasureContext(&measure.dc);
  renderer.Draw(emf, MetafileMode(preserveSymbols));
  renderer.SetMeasureContext(nullptr);
  return emf.Finish();
}

QImage DrawGraphBitmap(T3DBase& renderer, TGraphSize size) {
  QImage image(size.width + 1, size.height + 1, QImage::Format_RGB32);
  if (image.isNull()) return image;
  image.fill(Qt::white);
  PlaceAtOrigin(renderer, size);
  {
    QtDeviceContext dc(image);
    renderer.Draw(dc, kDrawBitmapCopy);
  }
  return image;
}

QMimeData* GraphClipboardData(T3DBase& renderer, const TCopyGraphSettings& s) {
  const TGraphSize size = GraphSizeOf(renderer.GraphRect());
  const CopyDestination d = s.destination;
  const bool all = d == CopyDestination::AllClipboardFormats;
  if (!all && d != CopyDestination::BitmapToClipboard && d != CopyDestination::MetafileToClipboard &&
      d != CopyDestination::EnhancedMetafileToClipboard)
    return nullptr;
  TGraphOutputLook look(renderer, s.useColor, s.frame);
  WaitCursor wait;
  auto* data = new QMimeData;
  if (all || d == CopyDestination::MetafileToClipboard) {
    // A metafile picture two units larger than the graph each way, as the clipboard's
    // picture has always been; other programs read it with its placeable header.
    const int ex = size.width + 2, ey = size.height + 2;
    std::vector<std::uint8_t> wmf = PlaceableHeader({0, 0, ex, ey}, ScreenDpi());
    const std::vector<std::uint8_t> body = RecordGraphWmf(renderer, size, ex, ey, s.preserveSymbols);
    wmf.insert(wmf.end(), body.begin(), body.end());
    data->setData(QStringLiteral("image/x-wmf"), Bytes(wmf));
  }
  if (all || d == CopyDestination::BitmapToClipboard) {
    const QImage image = DrawGraphBitmap(renderer, size);
    if (!image.isNull()) data->setImageData(image);
  }
  if (all || d == CopyDestination::EnhancedMetafileToClipboard)
    data->setData(QStringLiteral("image/x-emf"), Bytes(RecordGraphEmf(renderer, size, s.preserveSymbols)));
  return data;
}

bool WriteGraphFile(T3DBase& renderer, const TCopyGraphSettings& s, const std::string& path) {
  const TGraphSize size = GraphSizeOf(renderer.GraphRect());
  TGraphOutputLook look(renderer, s.useColor, s.frame);
  WaitCursor wait;
  switch (s.destination) {
    case CopyDestination::PlaceableMetafileFile: {
      // The placeable box is the picture's own (0, 0, w, h): the drawing starts at the origin.
      const std::vector<std::uint8_t> body = RecordGraphWmf(renderer, size, size.width, size.height, s.preserveSymbols);
      std::vector<std::uint8_t> file = PlaceableHeader({0, 0, size.width, size.height}, ScreenDpi());
      file.insert(file.end(), body.begin(), body.end());
      return SaveGlobalToFile(file, path);
    }
    case CopyDestination::DibFile: {
      const QImage image = DrawGraphBitmap(renderer, size);
      if (image.isNull()) return false;
      return SaveDIBFile(path, MakeDib(PixelsOf(image), image.width(), image.height(), 8));
    }
    case CopyDestination::EnhancedMetafileFile:
      return SaveGlobalToFile(RecordGraphEmf(renderer, size, s.preserveSymbols), path);
    default: return false;
  }
}

void PerformGraphCopy(QWidget* owner, T3DBase& renderer, const TCopyGraphSettings& s) {
  if (QMimeData* data = GraphClipboardData(renderer, s)) {
    QGuiApplication::clipboard()->setMimeData(data);
    return;
  }
  int title = kSaveMetafileTitle;
  const char* ext = "WMF";
  const char* filter = "Metafile [wmf]|*.wmf|";
  if (s.destination == CopyDestination::DibFile) {
    title = kSaveBitmapTitle;
    ext = "DIB";
    filter = "DI Bitmap [dib]|*.dib|";
  } else if (s.destination == CopyDestination::EnhancedMetafileFile) {
    ext = "EMF";
    filter = "Enhanced Metafile [emf]|*.emf|";
  }
  std::string path;
  if (FileSaveDlg(platform::qt::ToWindow(owner), platform::LoadString(title), path, nullptr, ext, filter, 1) != 1)
    return;
  if (!WriteGraphFile(renderer, s, path))
    ErrorBox(platform::qt::ToWindow(owner), path, SaveFailureText(path, kWriteFailedText));
}

TCopyGraphSettings CurrentCopyGraphSettings() {
  return DecodeCopyGraphSettings(CurrentSettings().graphCopyFlags);
}

void StoreCopyGraphSettings(const TCopyGraphSettings& s) {
  CurrentSettings().graphCopyFlags = EncodeCopyGraphSettings(s);
}

TPrintGraphRec CurrentPrintGraphRec() {
  // A settings file of the right size can still hold a record no dialog wrote (margins that
  // are not numbers, a layout beyond the four): printing then starts from the defaults.
  TPrintGraphRec rec;
  if (!DecodePrintGraphRec(CurrentSettings().printGraph, rec) || !SanitizePrintGraphRec(rec)) return TPrintGraphRec{};
  return rec;
}

void StorePrintGraphRec(const TPrintGraphRec& rec) { CurrentSettings().printGraph = EncodePrintGraphRec(rec); }

TPrinterPage PrinterPageOf(const QPrinter& printer) {
  // The painter's origin is the printable area's corner; the layout's margins are measured
  // from the sheet's edges.
  const QPageLayout layout = printer.pageLayout();
  const QRect full = layout.fullRectPixels(printer.resolution());
  const QRect paint = layout.paintRectPixels(printer.resolution());
  TPrinterPage page;
  page.horzRes = printer.width();
  page.vertRes = printer.height();
  page.dpiX = printer.logicalDpiX();
  page.dpiY = printer.logicalDpiY();
  page.offsetX = paint.left() - full.left();
  page.offsetY = paint.top() - full.top();
  page.physicalWidth = full.width();
  page.physicalHeight = full.height();
  return page;
}

PrintOutcome PrintGraphPage(T3DBase& renderer, QPrinter& printer, const TPrintGraphRec& rec,
                            const TSummaryDrawer& summary, const std::function<bool()>& cancelled) {
  printer.setDocName(QStringLiteral("Ondravik 3D"));
  printer.setFullPage(false);
  printer.setPageOrientation(rec.Orientation != 0 ? QPageLayout::Landscape : QPageLayout::Portrait);
  QPainter painter;
  if (!BeginPrinting(painter, printer)) return PrintOutcome::Failed;
  auto dc = QtDeviceContext::ForPrinter(printer, painter);
  const platform::DeviceCaps caps = dc->Caps();
  const TPrinterPage page = PrinterPageOf(printer);
  const platform::Rect graph = GraphPrintRect(PrintMarginsInches(rec), page);
  bool printed = true;
  {
    TGraphOutputLook look(renderer, rec.UseColor != 0, rec.FrameGraph != 0);
    WaitCursor wait;
    renderer.SetGraphRect(graph);
    renderer.CreatePrintFonts(caps.dpiY);
    renderer.Draw(*dc, kDrawPrinter);
    if (cancelled && cancelled()) printed = false;
    if (printed && summary && rec.AddSummary != 0 && LayoutAllowsSummary(rec.Layout))
      summary(*dc, caps.dpiY, SummaryPrintRect(graph, page), rec.UseColor != 0);
    renderer.DeletePrintFonts();
  }
  if (printed && cancelled && cancelled()) printed = false;
  if (!printed) printer.abort();
  return FinishPrinting(painter, printer, printed ? PrintOutcome::Printed : PrintOutcome::Cancelled);
}
