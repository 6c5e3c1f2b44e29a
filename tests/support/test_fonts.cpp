#include "support/test_fonts.h"

#include <QDir>
#include <QFile>

#include <cstdlib>

namespace {

// The fonts every build machine has (fonts-dejavu-core), each file by name: a folder would
// take in the faces fonts-dejavu-extra adds beside them.
constexpr const char* kFontFolder = "/usr/share/fonts/truetype/dejavu";
constexpr const char* kFontFiles[] = {"DejaVuSans.ttf",     "DejaVuSans-Bold.ttf",  "DejaVuSansMono.ttf",
                                      "DejaVuSansMono-Bold.ttf", "DejaVuSerif.ttf", "DejaVuSerif-Bold.ttf"};

}  // namespace

// Drawn text is measured in pixels, and which face "Arial" resolves to depends on the fonts
// a machine has (Liberation Sans once LibreOffice's fonts are in, Nimbus Sans with the URW
// fonts, DejaVu Sans with neither): the tests see these six files and nothing else, with
// the aliases and rendering set here rather than by the machine's configuration.
void UseOwnFonts(const QString& folder) {
  const QString fonts = folder + "/fonts";
  if (!QDir().mkpath(fonts)) return;
  for (const char* file : kFontFiles)
    QFile::link(QString(kFontFolder) + "/" + file, fonts + "/" + file);
  QFile conf(folder + "/fonts.conf");
  if (!conf.open(QIODevice::WriteOnly)) return;
  conf.write(R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>)" + fonts.toUtf8() + R"(</dir>
  <cachedir>)" + folder.toUtf8() + R"(/cache</cachedir>
  <alias binding="same"><family>Arial</family><prefer><family>DejaVu Sans</family></prefer></alias>
  <alias binding="same"><family>Helvetica</family><prefer><family>DejaVu Sans</family></prefer></alias>
  <alias binding="same"><family>sans-serif</family><prefer><family>DejaVu Sans</family></prefer></alias>
  <alias binding="same"><family>Times New Roman</family><prefer><family>DejaVu Serif</family></prefer></alias>
  <alias binding="same"><family>Times</family><prefer><family>DejaVu Serif</family></prefer></alias>
  <alias binding="same"><family>serif</family><prefer><family>DejaVu Serif</family></prefer></alias>
  <alias binding="same"><family>Courier New</family><prefer><family>DejaVu Sans Mono</family></prefer></alias>
  <alias binding="same"><family>Courier</family><prefer><family>DejaVu Sans Mono</family></prefer></alias>
  <alias binding="same"><family>monospace</family><prefer><family>DejaVu Sans Mono</family></prefer></alias>
  <match target="pattern"><edit name="family" mode="append_last"><string>DejaVu Sans</string></edit></match>
  <match target="font">
    <edit name="antialias" mode="assign"><bool>true</bool></edit>
    <edit name="hinting" mode="assign"><bool>true</bool></edit>
    <edit name="hintstyle" mode="assign"><const>hintslight</const></edit>
    <edit name="rgba" mode="assign"><const>none</const></edit>
    <edit name="embeddedbitmap" mode="assign"><bool>false</bool></edit>
  </match>
</fontconfig>
)");
  conf.close();
  setenv("FONTCONFIG_FILE", QFile::encodeName(conf.fileName()).constData(), 1);
}
