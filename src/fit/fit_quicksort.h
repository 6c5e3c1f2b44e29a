// The partition sort every ranking of the fitting engine uses (the fit list, the term-subset
// results and the screening keys): Hoare's partition around a copy of the middle element's
// key, with the scan bounds and the swap rule below. Equal keys keep no particular order, but
// the order they end in is fixed by these steps, so a ranking is the same on every run.
//
//   i runs up from lo while element i ranks before the pivot and i < hi; j runs down from hi
//   while the pivot ranks before element j and j > lo; elements i and j are swapped when
//   i <= j (then i + 1, j - 1); this repeats until i > j; then lo..j and i..hi are sorted
//   the same way when they hold more than one element.
//
// The two parts are disjoint, so the order in which they are sorted does not change the
// result: the smaller one is sorted by recursion and the larger one by the loop, which bounds
// the depth of the recursion by log2 of the count.
#pragma once

template <typename KeyOf, typename Before, typename Swap>
void PartitionSort(int lo, int hi, KeyOf keyOf, Before before, Swap swap) {
  while (lo < hi) {
    int i = lo, j = hi;
    const auto pivot = keyOf((lo + hi) / 2);
    do {
      while (before(keyOf(i), pivot) && i < hi) ++i;
      while (before(pivot, keyOf(j)) && j > lo) --j;
      if (i <= j) {
        swap(i, j);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - lo < hi - i) {
      if (lo < j) PartitionSort(lo, j, keyOf, before, swap);
      lo = i;
    } else {
      if (i < hi) PartitionSort(i, hi, keyOf, before, swap);
      hi = j;
    }
  }
}
