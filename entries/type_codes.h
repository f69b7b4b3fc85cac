#pragma once
// The one table of entry types: the code a list holds, the name the details show, and what the
// operations do with an entry by its name (the replace branch, whether Rip All takes it, its blank
// file). Every other place asks here.

#include <array>
#include <string>
#include <string_view>

namespace vorlix {

// The codes the scan lists, as it gathers them.
inline constexpr int kCodeMovie = 0;           // STR video only
inline constexpr int kCodeMovieWithAudio = 1;  // STR video with XA audio interleaved
inline constexpr int kCodeXaAudio = 10;
inline constexpr int kCodeTim = 20;
inline constexpr int kCodeVabHeader = 31;
inline constexpr int kCodeVabBody = 32;
inline constexpr int kCodeSeq = 40;
inline constexpr int kCodeDummy = 99;
inline constexpr int kNotListed = -1;  // a file of no kind the scan lists

struct EntryType {
    int number;
    std::string_view code;  // as a list line holds it
    std::string_view name;  // as the details show it
};

inline constexpr std::array<EntryType, 9> kEntryTypes{{
    {kCodeMovie, "0", "ST0"},
    {kCodeMovieWithAudio, "1", "ST1"},
    {2, "2", "ST2"},  // a movie type the scan never lists
    {kCodeXaAudio, "10", "XA"},
    {kCodeTim, "20", "TIM"},
    {kCodeVabHeader, "31", "VA1"},
    {kCodeVabBody, "32", "VA2"},
    {kCodeSeq, "40", "SEQ"},
    {kCodeDummy, "99", "DUM"},
}};

// The name shown for any code not in the table.
inline constexpr std::string_view kUnknownTypeName = "???";

// The table's name for `code`, compared as exact text ("010" and " 10" are unknown); anything
// else is "???".
std::string_view TypeNameForCode(std::string_view code);

enum class ReplaceBranch {
    None,  // the entry is left alone
    XA,    // source sector 0, then XA filler sectors (zero sectors without XA headers)
    ST,    // source sectors 0..403, then zero sectors
    DU,    // zero sectors only; the source is never opened
};

// The two rules below look at the name differently, and both are kept as they always behaved:
// the replace branch reads only the first two letters, so "XAB" and "DUMMY" are replaced, while
// Rip All takes only the movie names and the exact names "XA" and "DUM".

// The branch a type name selects by its first two characters ("XA", "ST", "DU"); None for any
// other.
ReplaceBranch BranchFor(std::string_view type_name);

// Whether Rip All hands an entry of this type name to RipEntry: "ST..", exactly "XA" or "DUM".
bool IsRippable(std::string_view type_name);

// "blank.<type name>", except that a type name beginning with "ST" loses its last character to
// "R": ST0, ST1 and ST2 all use blank.STR.
std::string BlankFileName(std::string_view type_name);

}  // namespace vorlix
