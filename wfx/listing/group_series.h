// The grouping pass: collapses every run of numbered files whose counters rise by one into a
// single series entry named prefix<first-last>suffix with the summed size.
#pragma once
#include <windows.h>

#include <cstddef>
#include <vector>

#include "listing/entries.h"

namespace tf {

// Longest range name the grouping pass writes. A series whose name would be longer stays
// listed as its members: a cut range name loses its '>' and then names nothing.
constexpr int kRangeNameChars = 254;

// Writes the range name of a series into dest (capacity counts the terminator): firstName up to
// counterPos, '<', the first member's counter as written, '-', last in plain decimal, '>', and
// the rest of firstName after its counter. Returns false, writing nothing, when counterPos does
// not start a digit run that ends the name or meets a '.', or when the name would exceed
// kRangeNameChars characters or the capacity.
bool MakeRangeName(WCHAR* dest, int capacity, const WCHAR* firstName, int counterPos, int last);

// Collapses the series of the numbered region of list.order, from index front to the end, which
// must be in listing order (extension, then natural name order). A series entry takes the place
// of its first member, keeps its fields with the range name and the members' 64-bit size sum;
// the other members drop out of the order (their entries stay with the list). Returns the new
// entry count. Throws std::bad_alloc when the list cannot keep a range name.
size_t GroupSeries(EntryList& list, size_t front);

}  // namespace tf
