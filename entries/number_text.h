#pragma once
// The lenient number-from-text rule used for every sector number, count and type code taken
// from a text, and the general format numbers are written back in.

#include <string>
#include <string_view>

namespace vorlix {

// Spaces, tabs and line feeds are ignored anywhere; the longest leading decimal number (sign,
// digits, at most one ".", optional exponent) or an &H / &O number gives the value; else 0.
double NumberFromText(std::string_view text);

// Whole numbers as plain digits with a leading "-" when negative; other values in the shortest
// decimal form of at most 15 significant digits.
std::string FormatGeneral(double value);

}  // namespace vorlix
