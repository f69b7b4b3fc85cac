#pragma once
// What a file is, judged by the sectors it holds (each taken by LookAt), its first bytes and its
// name.

#include <cstdint>
#include <span>
#include <string>

#include "disc/file_system.h"
#include "sector/sector_kind.h"

namespace vorlix {

// The magic at the start of a file's data.
enum class FileMagic : std::uint8_t { None, Tim, VabHeader, Seq };

// What the first sector of a file (`bytes` long) says it is. A TIM must have valid flags and
// blocks whose sizes fit the file.
FileMagic MagicOf(SectorView first_sector, std::uint64_t bytes);

// What the sectors of one file were found to hold, gathered as the scan passes over them.
struct FileEvidence {
    std::int64_t video = 0, audio = 0, data = 0, not_mode2 = 0;
    std::uint32_t first_frame = 0, last_frame = 0;
    bool all_zero = true;
    bool filler = true;  // kept up for dummy names only: see IsFiller
    FileMagic magic = FileMagic::None;

    void Add(const SectorLook& look);
    // "412 STR video, 52 XA audio, 3 data sectors" and the like.
    std::string Counts() const;
};

// Whether the sector is filler, as dummy files hold: no sync, user data of one repeated byte, or
// the same user data as the file's first sector (`first_data`; empty: no comparison).
bool IsFiller(SectorView sector, const SectorLook& look, std::span<const std::uint8_t> first_data);

// Whether the file's name says it is a dummy: "DUMMY...", "PADDING..." or "....DUM", any case.
bool NameSaysDummy(const std::string& path);

// The type code the scan lists a file under, or kNotListed when the file is of no kind it lists (an
// archive with media inside is -1 too: its runs are found by the sector walk). Content comes
// first: media and a magic beat a dummy's name, and a dummy's name counts only over filler. `why`
// gets the evidence in words.
int ClassifyFile(const DiscFile& file, const FileEvidence& evidence, std::string& why);

}  // namespace vorlix
