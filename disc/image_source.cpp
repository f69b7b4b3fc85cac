#include "disc/image_source.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string>
#include <string_view>

#include "base/failure.h"
#include "disc/cue_sheet.h"
#include "files/sector_file.h"
#include "sector/cd_sector.h"

namespace vorlix {

namespace {

bool IsCue(const std::filesystem::path& image) {
    std::string ext = image.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".cue";
}

// Enough of a file's start to see the volume descriptor of any sector size it may use.
constexpr std::size_t kHeadBytes = 16 * 2352 + 64;

bool HasAt(const std::vector<std::uint8_t>& head, std::size_t offset, std::string_view magic) {
    return head.size() >= offset + magic.size() &&
           std::memcmp(head.data() + offset, magic.data(), magic.size()) == 0;
}

// What kind of image other than a raw one the file's first bytes say it is, or nullptr.
const char* OtherImageKind(const std::vector<std::uint8_t>& head) {
    using namespace std::string_view_literals;
    if (HasAt(head, 0, "MComprHD"sv)) return "a CHD (compressed hunks of data) image";
    if (HasAt(head, 0, "ECM\0"sv)) return "an ECM file (error code modeler)";
    // The primary volume descriptor lies in sector 16, after the sector's header if it has one.
    if (HasAt(head, 16 * 2048, "\1CD001"sv)) return "an ISO image of 2048-byte sectors";
    if (HasAt(head, 16 * 2336 + 8, "\1CD001"sv)) return "an image of 2336-byte Mode 2 sectors";
    return nullptr;
}

std::vector<std::uint8_t> HeadOf(const std::filesystem::path& file) {
    SectorFile in(file, OpenMode::ReadOnly);
    std::vector<std::uint8_t> head(kHeadBytes);
    head.resize(in.ReadAt(0, head));
    in.Close();
    return head;
}

// `what` is the file as a refusal names it: "X" or "CUE: the file of track 1, X,".
void RefuseOtherKind(const std::vector<std::uint8_t>& head, const std::string& what) {
    if (const char* kind = OtherImageKind(head))
        throw Failure("Cannot use " + what + " is " + kind +
                      "; VORLIX needs a raw image of 2352-byte sectors (MODE2/2352).");
}

// A cue can name any file: only one that already looks like a raw data track is taken for one.
void RefuseUnlikeATrack(const DataTrack& track) {
    const std::string what =
        DisplayPath(track.cue) + ": the file of track 1, " + DisplayPath(track.bin) + ",";
    std::error_code ec;
    if (std::filesystem::equivalent(track.bin, track.cue, ec))
        throw Failure("Cannot use " + what + " is the cue sheet itself.");
    const std::int64_t length = FileLength(track.bin);
    if (length < 0) throw Failure("Cannot use " + what + " does not exist.");
    const std::vector<std::uint8_t> head = HeadOf(track.bin);
    RefuseOtherKind(head, what);
    const std::string not_track = "; it is not a raw data track.";
    if (length < static_cast<std::int64_t>(kRawSectorSize) || length % kRawSectorSize != 0)
        throw Failure("Cannot use " + what + " holds " + std::to_string(length) +
                      " bytes, not a whole number of 2352-byte sectors" + not_track);
    if (!HasSync(head))
        throw Failure("Cannot use " + what + " has no sync pattern in its first sector" +
                      not_track);
    if (head[kModeOffset] != 2)
        throw Failure("Cannot use " + what + " has mode byte " + std::to_string(head[kModeOffset]) +
                      " in its first sector, not 2; it is not a MODE2/2352 data track.");
}

}  // namespace

DataTrack ResolveImage(const std::filesystem::path& image) {
    if (!IsCue(image)) {
        DataTrack track{image, {}, -1, 0};
        // A missing image is refused by the operation, as it always was.
        if (FileLength(image) >= 0) RefuseOtherKind(HeadOf(image), DisplayPath(image) + ": it");
        return track;
    }
    if (FileLength(image) > static_cast<std::int64_t>(kMaxCueSheetBytes))
        throw Failure("Cannot use " + DisplayPath(image) + ": it holds " +
                      std::to_string(FileLength(image)) +
                      " bytes, more than a cue sheet's limit of 1 MiB (1048576 bytes).");
    DataTrack track = CueDataTrackIn(ReadWholeFile(image, kMaxCueSheetBytes), image);
    RefuseUnlikeATrack(track);
    const std::int64_t file_sectors =
        FileLength(track.bin) / static_cast<std::int64_t>(kRawSectorSize);
    if (track.sectors < 0 || track.sectors > file_sectors) track.sectors = -1;
    track.other_sectors = track.sectors < 0 ? 0 : file_sectors - track.sectors;
    return track;
}

std::filesystem::path DataTrackOf(const std::filesystem::path& image) {
    return ResolveImage(image).bin;
}

}  // namespace vorlix
