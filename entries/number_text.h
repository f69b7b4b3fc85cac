#pragma once
// The lenient number-from-text rule used for every sector number, count and type code taken
// from a text, and the general format numbers are written back in.

#include <string>
#include <string_view>

namespace vorlix {

// Spaces, tabs and line feeds (not CR) are ignored anywhere; the longest leading decimal number
// (sign, digits, at most one ".", optional E or D exponent) or an &H / &O number gives the value;
// else 0. &H / &O numbers are the unsigned value they write ("&HFFFF" is 65535). Beyond the
// double range the result is +-infinity; it is never NaN or -0.
double NumberFromText(std::string_view text);

// Whether the text holds a number at all, that is whether NumberFromText's 0 means zero rather
// than "no number here".
bool HasLeadingNumber(std::string_view text);

// Whole numbers as plain digits with a leading "-" when negative, at any size; other values in the
// shortest decimal form of at most 15 significant digits, below 0.0001 in the exponent form
// "1E-05". Infinity is written "1E+309" (it reads back as infinity).
std::string FormatGeneral(double value);

}  // namespace vorlix
