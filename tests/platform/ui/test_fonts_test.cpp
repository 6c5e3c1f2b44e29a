// The widget tests draw and measure text with fonts of their own, whatever fonts the
// machine has installed: the three DejaVu families of fonts-dejavu-core and nothing else,
// with the program's faces resolved to them.
#include <gtest/gtest.h>

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string Resolved(const char* family) {
  return QFontInfo(QFont(QString::fromLatin1(family), 10)).family().toStdString();
}

TEST(TestFonts, OnlyTheBuildMachinesFontsWithTheProgramsFacesResolvedToThem) {
  // Qt adds the generic names for the aliases.
  std::vector<std::string> families;
  for (const QString& family : QFontDatabase::families()) families.push_back(family.toStdString());
  std::sort(families.begin(), families.end());
  EXPECT_EQ(families, (std::vector<std::string>{"DejaVu Sans", "DejaVu Sans Mono", "DejaVu Serif", "Monospace",
                                                "Sans Serif", "Serif"}));
  for (const char* face : {"Arial", "Helvetica", "MS Sans Serif", "Symbol", "No Such Face"})
    EXPECT_EQ(Resolved(face), "DejaVu Sans") << face;
  for (const char* face : {"Times New Roman", "Times"}) EXPECT_EQ(Resolved(face), "DejaVu Serif") << face;
  for (const char* face : {"Courier New", "Courier"}) EXPECT_EQ(Resolved(face), "DejaVu Sans Mono") << face;
  // Bold is the face's own; an italic is slanted from the upright face alike everywhere.
  QFont bold("Arial", 10);
  bold.setBold(true);
  EXPECT_EQ(QFontInfo(bold).styleName().toStdString(), "Bold");
  QFont italic("Arial", 10);
  italic.setItalic(true);
  EXPECT_EQ(QFontInfo(italic).family().toStdString(), "DejaVu Sans");
}

}  // namespace
