// A graph drawn once more for somewhere other than its window: the metafile pictures and the
// bitmap of "Copy Graph" (clipboard and files) and the printed page of "Print Graph". Each
// output draws the graph with its top-left corner at (0, 0) (a printed page: where the
// layout puts it) and leaves the renderer exactly as it found it.
#pragma once

#include <QImage>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/ui/program_printer.h"
#include "graph3d/graph_copy_settings.h"
#include "graph3d/option_records.h"
#include "graph3d/print_layout.h"
#include "graph3d/renderer.h"

class QMimeData;
class QPrinter;

// Changes the renderer's look for an output and restores it (colours, graph type and the
// graph rectangle with the view frame that follows from it) when it goes. Without colour:
// colour scheme 0 and the monochrome graph type; without a frame: the frame takes the
// background's colour.
class TGraphOutputLook {
 public:
  TGraphOutputLook(T3DBase& renderer, bool useColor, bool frame);
  ~TGraphOutputLook();
  TGraphOutputLook(const TGraphOutputLook&) = delete;
  TGraphOutputLook& operator=(const TGraphOutputLook&) = delete;

 private:
  T3DBase& renderer_;
  int frameColor_;
  int scheme_;
  int graphType_;
  bool colorChanged_;
  platform::Rect rect_;
};

// The size of a graph rectangle: right - left by bottom - top.
struct TGraphSize {
  int width = 0;
  int height = 0;
};
TGraphSize GraphSizeOf(const platform::Rect& rect);

// Metafile pictures of a graph of `size`, text measured on a screen-like context. A metafile
// picture for the clipboard has the extent (w + 2, h + 2); a .wmf file's has (w, h).
std::vector<std::uint8_t> RecordGraphWmf(T3DBase& renderer, TGraphSize size, int extentX, int extentY,
                                         bool preserveSymbols);
std::vector<std::uint8_t> RecordGraphEmf(T3DBase& renderer, TGraphSize size, bool preserveSymbols);
// The graph as a (w + 1) x (h + 1) bitmap.
QImage DrawGraphBitmap(T3DBase& renderer, TGraphSize size);
// The enhanced metafile's description: the program's class name and the picture's name.
std::string_view GraphEmfDescription();

// The clipboard's data for a clipboard destination: the placeable metafile picture
// ("image/x-wmf"), the enhanced metafile ("image/x-emf") and the bitmap, each as the
// destination asks ("All": the three together, so that the clipboard is emptied once).
// Null for a file destination.
QMimeData* GraphClipboardData(T3DBase& renderer, const TCopyGraphSettings& settings);
// Writes a file destination's file (placeable metafile, 8-bit DIB or enhanced metafile)
// through a temporary file; false when it cannot be written.
[[nodiscard]] bool WriteGraphFile(T3DBase& renderer, const TCopyGraphSettings& settings,
                                  const std::string& path);
// The whole copy after the dialog: clipboard, or the save dialog and the file (a failed
// write says so). Renders with the settings' look; the renderer is left as it was.
void PerformGraphCopy(QWidget* owner, T3DBase& renderer, const TCopyGraphSettings& settings);

// The program's copy settings (settings field 24) and its graph print record (field 22).
TCopyGraphSettings CurrentCopyGraphSettings();
void StoreCopyGraphSettings(const TCopyGraphSettings& settings);
TPrintGraphRec CurrentPrintGraphRec();
void StorePrintGraphRec(const TPrintGraphRec& rec);

// Draws a numeric summary into a rectangle of the page at a font resolution, in its own
// colours or (false) in black.
using TSummaryDrawer = std::function<void(platform::DeviceContext&, int, const platform::Rect&, bool)>;

// The page `printer` prints on: its printable area and resolution, and where that area lies
// on the sheet.
TPrinterPage PrinterPageOf(const QPrinter& printer);

// Prints the graph on one page of `printer` in the record's layout, with the summary under
// it when the layout allows one, the record asks for it and `summary` is set. `cancelled`
// is asked between the graph and the summary and at the end: a true answer abandons the
// page. Failed when the printer could not be opened (BeginPrinting), Cancelled when the user
// cancelled.
[[nodiscard]] PrintOutcome PrintGraphPage(T3DBase& renderer, QPrinter& printer, const TPrintGraphRec& rec,
                                          const TSummaryDrawer& summary, const std::function<bool()>& cancelled);
