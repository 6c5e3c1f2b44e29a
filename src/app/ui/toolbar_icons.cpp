#include "app/ui/toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

#include "app/ui/command_ids.h"

namespace {

constexpr int kSize = 20;

void Folder(QPainter& p) {
  p.setPen(QColor(120, 90, 10));
  p.setBrush(QColor(240, 200, 60));
  p.drawRect(2, 6, 14, 10);
  p.drawRect(2, 4, 6, 2);
}

void Plus(QPainter& p, QPoint c) {
  p.setPen(QPen(QColor(0, 140, 0), 2));
  p.drawLine(c.x() - 3, c.y(), c.x() + 3, c.y());
  p.drawLine(c.x(), c.y() - 3, c.x(), c.y() + 3);
}

void Arrow(QPainter& p) {
  p.setPen(QPen(QColor(0, 0, 160), 2));
  p.drawLine(10, 2, 17, 2);
  p.drawLine(17, 2, 17, 9);
  p.drawLine(17, 2, 11, 8);
}

void Badge(QPainter& p, const QString& text, QColor fill) {
  p.setPen(fill.darker(160));
  p.setBrush(fill);
  p.drawRoundedRect(QRectF(0.5, 3.5, 19, 13), 3, 3);
  QFont f = p.font();
  f.setPixelSize(text.size() > 2 ? 8 : 10);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 3, kSize, 14), Qt::AlignCenter, text);
}

void Surface(QPainter& p, QColor color) {
  QPainterPath path;
  path.moveTo(1, 15);
  for (int x = 1; x <= 19; ++x) path.lineTo(x, 12 - 6 * std::exp(-(x - 10) * (x - 10) / 18.0));
  path.lineTo(19, 18);
  path.lineTo(1, 18);
  path.closeSubpath();
  p.setPen(color.darker(150));
  p.setBrush(color);
  p.drawPath(path);
}

void Dots(QPainter& p, bool grid, bool gaps) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 160));
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      if (gaps && (i + 2 * j) % 3 == 0) continue;
      int x = grid ? 3 + 4 * i : 3 + (i * 7 + j * 5) % 14;
      int y = grid ? 3 + 4 * j : 3 + (i * 3 + j * 9) % 14;
      p.drawEllipse(QPoint(x, y), 1, 1);
    }
}

void Grid(QPainter& p) {
  p.setPen(QColor(90, 90, 90));
  p.setBrush(Qt::white);
  p.drawRect(2, 2, 15, 15);
  for (int k = 6; k < 17; k += 4) {
    p.drawLine(2, k, 17, k);
    p.drawLine(k, 2, k, 17);
  }
}

void Draw(QPainter& p, int id) {
  switch (id) {
    case CmImport:
      Folder(p);
      Arrow(p);
      break;
    case CmAppend:
      Folder(p);
      Plus(p, {15, 4});
      break;
    case CmImportClipboard:
      p.setPen(QColor(90, 60, 20));
      p.setBrush(QColor(200, 160, 110));
      p.drawRect(3, 3, 13, 15);
      p.setBrush(Qt::white);
      p.drawRect(5, 6, 9, 10);
      p.setBrush(QColor(150, 150, 150));
      p.drawRect(7, 1, 5, 3);
      break;
    case CmSaveAs:
      p.setPen(QColor(20, 20, 90));
      p.setBrush(QColor(60, 80, 170));
      p.drawRect(2, 2, 15, 15);
      p.setBrush(Qt::white);
      p.drawRect(5, 2, 9, 6);
      p.setBrush(QColor(200, 200, 200));
      p.drawRect(5, 11, 9, 6);
      break;
    case CmDataEditor: Grid(p); break;
    case CmTitles: Badge(p, "T", QColor(90, 90, 160)); break;
    case CmCalculation: Badge(p, "f(x)", QColor(130, 60, 130)); break;
    case CmDataGraph:
      p.setPen(Qt::black);
      p.drawLine(2, 17, 18, 17);
      p.drawLine(2, 17, 2, 2);
      Dots(p, false, false);
      break;
    case CmSmoothLoess: Surface(p, QColor(120, 190, 120)); break;
    case CmSmoothNurbs:
      Surface(p, QColor(120, 170, 210));
      p.setBrush(Qt::red);
      p.setPen(Qt::NoPen);
      for (QPoint c : {QPoint(3, 13), QPoint(10, 5), QPoint(17, 13)}) p.drawRect(c.x() - 1, c.y() - 1, 3, 3);
      break;
    case CmFillSparseGrid: Dots(p, true, true); break;
    case CmUniformGrid: Dots(p, true, false); break;
    case CmGriddedNP: Grid(p); Surface(p, QColor(230, 170, 80)); break;
    case CmScatteredNP: Surface(p, QColor(230, 170, 80)); Dots(p, false, false); break;
    case CmFitPreferences:
      p.setPen(QPen(QColor(60, 60, 60), 2));
      for (int y : {5, 10, 15}) p.drawLine(2, y, 18, y);
      p.setBrush(QColor(220, 60, 60));
      p.setPen(Qt::black);
      p.drawRect(5, 3, 3, 4);
      p.drawRect(12, 8, 3, 4);
      p.drawRect(8, 13, 3, 4);
      break;
    case CmFitAll: Badge(p, "All", QColor(30, 100, 200)); break;
    case CmFitLinear: Badge(p, "Lin", QColor(30, 100, 200)); break;
    case CmFitSimple: Badge(p, "Sim", QColor(30, 100, 200)); break;
    case CmFitRobustPlane: Badge(p, "Rob", QColor(30, 100, 200)); break;
    case CmFitPolynomial: Badge(p, "Pol", QColor(30, 100, 200)); break;
    case CmFitRational: Badge(p, "Rat", QColor(30, 100, 200)); break;
    case CmFitPolyRational: Badge(p, "P/R", QColor(30, 100, 200)); break;
    case CmFitPeak: Badge(p, "Pk", QColor(200, 90, 30)); break;
    case CmFitTransition: Badge(p, "Tr", QColor(200, 90, 30)); break;
    case CmEditCustomSet: Badge(p, "Set", QColor(110, 110, 110)); break;
    case CmFitCustomSet: Badge(p, "Cus", QColor(30, 100, 200)); break;
    case CmUserFunctions: Badge(p, "UDF", QColor(110, 110, 110)); break;
    case CmFitUserFunctions: Badge(p, "fU", QColor(30, 100, 200)); break;
    case CmReviewGraph:
      Surface(p, QColor(120, 170, 210));
      p.setPen(QPen(Qt::black, 2));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QPoint(13, 6), 4, 4);
      break;
    case CmReviewList:
      p.setPen(QColor(40, 40, 40));
      p.setBrush(Qt::white);
      p.drawRect(2, 2, 15, 16);
      for (int y = 5; y < 17; y += 3) p.drawLine(4, y, 15, y);
      break;
    case CmBackgroundLight:
      p.setPen(QColor(120, 100, 0));
      p.setBrush(QColor(255, 230, 40));
      p.drawEllipse(QPoint(10, 8), 6, 6);
      p.setBrush(QColor(150, 150, 150));
      p.drawRect(7, 14, 6, 4);
      break;
    default: Badge(p, QString::number(id % 100), QColor(120, 120, 120)); break;
  }
}

}  // namespace

QIcon CommandIcon(int commandId) {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  Draw(p, commandId);
  return QIcon(pixmap);
}

QPixmap AboutBitmap() {
  QPixmap pixmap(64, 64);
  pixmap.fill(QColor(192, 192, 192));
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(3.2, 3.2);
  Surface(p, QColor(30, 100, 200));
  Dots(p, false, false);
  return pixmap;
}
