#include "exchange/column_choice.h"

#include <cctype>

#include "app/data_sort.h"
#include "app/point_table.h"

namespace {

enum class TLookup { kNumber3, kLetters, kSheetLetters, kNumber4, kLeadingNumber, kNone };

TLookup LookupOf(int kind) {
  switch (kind) {
    // A text file's entry is its column's number and a blank before its texts ("%3d "), of
    // four figures past column 999.
    case 2: case 3: case 4: return TLookup::kLeadingNumber;
    case 5: return TLookup::kNumber3;
    case 6: case 8: case 10: case 11: case 13: case 17: case 18: case 19: return TLookup::kLetters;
    case 7: case 9: case 12: case 20: case 22: return TLookup::kSheetLetters;
    case 14: case 15: case 21: return TLookup::kNumber4;
    case 23: case 24: return TLookup::kLeadingNumber;
    default: return TLookup::kNone;
  }
}

// The decimal number that the text starts with (after blanks), or -1.
int LeadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i == text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return -1;
  long v = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && v < 100000; ++i) v = v * 10 + (text[i] - '0');
  return static_cast<int>(v);
}

bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }

// Column letters: "A" .. "Z" (a blank or ':' after the first), then "AA" = 26, ...
int ColumnOfLetters(std::string_view two) {
  if (two.empty() || !IsLetter(two[0])) return -1;
  if (two.size() < 2 || two[1] == ' ' || two[1] == ':') return two[0] - 'A';
  if (!IsLetter(two[1])) return -1;
  return (two[0] - '@') * 26 + (two[1] - 'A');
}

}  // namespace

TColumnRef ParseColumnEntry(int kind, std::string_view entry) {
  TColumnRef ref;
  switch (LookupOf(kind)) {
    case TLookup::kNumber3: ref.column = LeadingNumber(entry.substr(0, 3)); break;
    case TLookup::kNumber4: ref.column = LeadingNumber(entry.substr(0, 4)); break;
    case TLookup::kLeadingNumber: ref.column = LeadingNumber(entry); break;
    case TLookup::kLetters: ref.column = ColumnOfLetters(entry.substr(0, 2)); break;
    case TLookup::kSheetLetters:
      if (entry.size() >= 3 && IsLetter(entry[0]) && entry[1] == '!') {
        ref.sheet = entry[0] - 'A';
        ref.column = ColumnOfLetters(entry.substr(2, 2));
      }
      break;
    case TLookup::kNone: break;
  }
  if (ref.column < 0) ref = TColumnRef{};
  return ref;
}

std::vector<std::string> ListImportColumns(const std::string& path, int kind, bool listXY) {
  std::vector<std::string> list;
  if (kind < 1 || kind > kImportKindCount || (kind == 2 && !listXY)) return list;
  const auto& lister = ImportReaders().List[static_cast<std::size_t>(kind)];
  if (!lister || lister(path, list) < 1) list.clear();
  return list;
}

PointTable BuildPreviewTable(const std::string& path, int kind, const TImportColumns& c) {
  if (kind < 1 || kind > kImportKindCount) return {};
  const auto& read = ImportReaders().ReadColumnPairs[static_cast<std::size_t>(kind)];
  if (!read) return {};
  // The columns paired by row as the import pairs them (a valid choice has them on one
  // sheet), so that the preview shows the points the import will read.
  const int columns[] = {c.ImportColX, c.ImportColY, c.ImportColZ};
  const TPairedColumns xyz = read(path, c.ImportSheetX, columns);
  constexpr int kMinPoints = 4;
  if (xyz.size() != 3 || xyz[0].empty() || xyz[0][0] < kMinPoints) return {};
  const int n = static_cast<int>(xyz[0][0]);
  PointTable table = NewPointTable(n);
  if (table.empty()) return {};
  for (std::size_t i = 1; i <= static_cast<std::size_t>(n); ++i) {
    TXYZPoint& p = table[i];
    // Unweighted active points, as the graph and the smoothing engine read a table.
    p.X = xyz[0][i], p.Y = xyz[1][i], p.Z = xyz[2][i], p.W = 1, p.Status = kPointActive;
  }
  SortDataTable(table, 0);
  return table;
}
