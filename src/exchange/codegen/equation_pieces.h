// An equation written as source text in pieces that a template assembles: the equation
// itself (keyword EQNCODE), the partial expressions z1..z4 (Z1EQNCODE..Z4EQNCODE) and the
// auxiliary exponentials zu, zv of the logistic peaks (ZUEQNCODE, ZVEQNCODE). A piece the
// equation does not have is empty, and a template line that names it is dropped.
#pragma once

#include <array>
#include <string>

struct TEquationPieces {
  std::string equation;
  std::array<std::string, 4> z;
  std::string zu, zv;
};
