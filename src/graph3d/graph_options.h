// A graph window's option records taken from the program's settings: its view and points
// records, the animation record, its colour scheme, the user colour schemes, its graph font,
// its window placement and the animation player's, decoded into the records the renderer
// reads through a graph setup, and written back when the window is done with them, so that
// the next window of its kind opens as the user left this one. A record the settings hold
// damaged starts from its default.
#pragma once

#include "app/log_font.h"
#include "app/settings_file.h"
#include "graph3d/graph_setup.h"

class TDataTable;
struct TDataSession;
struct TDataStats;

// The font slot of each kind of graph window, by its view record (GraphSlot).
int GraphFontSlot(int viewSlot);

// The graph font as the renderer takes it (height in points) from a font record, and a
// record of it: the face, size, weight, slant, underline and strike-out; a record without a
// face (the window's own font) gives Arial 12.
platform::Font GraphFontOf(const TLogFont& record);
TLogFont GraphFontRecord(const platform::Font& font, int points);

class TGraphOptions {
 public:
  // The window's view record and colour scheme number (GraphSlot; its graph font follows
  // it), its points record (PointsSlot) and its placement record (PlacementSlot; -1 none).
  TGraphOptions(ProgramSettings& settings, int viewSlot, int pointsSlot, int placementSlot);
  TGraphOptions(const TGraphOptions&) = delete;
  TGraphOptions& operator=(const TGraphOptions&) = delete;

  // The setup record pointing at these records; the caller adds the content (surface,
  // points, limits) and keeps this object alive as long as the window.
  T3DGraphSetup& Setup() { return setup_; }
  // Writes the records back into the settings.
  void StoreBack();

  T3DViewRec view;
  T3DPointsRec points;
  T3DAnimRec anim;
  platform::Font font;
  T3DTitleSet titles;
  T3DTitleSet customTitles;
  std::int32_t scheme = 1;
  TUserColorSchemes userSchemes;
  WindowPlacement placement;
  WindowPlacement animationPlacement;  // the animation player's, shared by every graph window

 private:
  ProgramSettings& settings_;
  int viewSlot_, pointsSlot_, fontSlot_, placementSlot_;
  // The font slot as read, and the font handed to the renderer from it: a font the window
  // did not change leaves the slot's bytes as they were.
  TLogFont fontRecord_;
  platform::Font fontAsRead_;
  T3DGraphSetup setup_;
};

// The points of a data table as a graph reads them: records 0 .. N as the table stands when
// the graph draws (the table moves when it grows).
PointsSource TablePoints(const TDataTable& table);
// A graph of the session's points alone (no surface, no limits): the table's points as they
// stand when it draws, the axes over the data's ranges (a range whose ends are equal widened
// by 0.5 each way) scaled automatically with zooms 1, the Z range the points' own, and the
// standard titles from the data's titles with the custom titles off.
void SetDataPointsGraph(TGraphOptions& options, const TDataSession& session);
// Both range sets of the three axes from the data's statistics, scaled automatically from
// there, zooms 1.
void SetDataRanges(T3DScalingBlock& scaling, const TDataStats& stats);

// The user colour schemes as the settings keep them (15 schemes of 27 colour indices), and
// back; a block of another size or with an index above 15 gives the defaults.
TUserColorSchemes DecodeUserColorSchemes(const Block& block);
Block EncodeUserColorSchemes(const TUserColorSchemes& schemes);
