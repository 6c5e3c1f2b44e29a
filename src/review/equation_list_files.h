// The equation lists delivered beside the program ("QKPOLY.LST", "QKRATL.LST", "QKNLIN.LST"
// and "QKSSET.LST"), which the main window shows in its list windows: one line per equation
// number of the polynomial, rational and non-linear families with the formula or family name
// the review gives that equation, and an overview of the term-subset equations (candidate
// terms, dependent transforms and how their equation numbers are made). The lines are coded
// text; they are written at build time by make_equation_lists.
#pragma once

#include <string>
#include <vector>

struct TEquationListFile {
  const char* name;
  int capacity;  // lines the list window takes
  std::vector<std::string> (*lines)();
};

std::vector<std::string> PolynomialListLines();
std::vector<std::string> RationalListLines();
std::vector<std::string> NonlinearListLines();
std::vector<std::string> SubsetOverviewLines();

inline constexpr TEquationListFile kEquationListFiles[] = {
    {"QKPOLY.LST", 800, PolynomialListLines},
    {"QKRATL.LST", 600, RationalListLines},
    {"QKNLIN.LST", 450, NonlinearListLines},
    {"QKSSET.LST", 550, SubsetOverviewLines},
};

// The lines joined with CR LF, ready to be written.
std::string EquationListText(const std::vector<std::string>& lines);
