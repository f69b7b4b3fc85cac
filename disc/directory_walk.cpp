#include "disc/directory_walk.h"

#include <cdio/bytesex.h>
#include <cdio/iso9660.h>
#include <cdio/xa.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <deque>
#include <iterator>
#include <map>
#include <string>

#include "disc/warning_cap.h"

namespace vorlix {

namespace {

// A disc's directories are a few sectors each; the whole of a CD holds well under 1 MiB of
// directory records and a few thousand files in any real layout. A damaged or crafted tree is cut
// off at these limits over the whole walk, so that its memory and time stay bounded by them.
constexpr std::uint64_t kMaxDirectoryBytes = std::uint64_t{1} << 20;  // one directory
constexpr std::uint64_t kMaxWalkBytes = std::uint64_t{2} << 20;       // all directories read
constexpr std::size_t kMaxRecords = 32768;  // files and directories taken from records
// Files do not share sectors on a real disc (but for a few names of one extent); this bounds the
// time the scan spends per sector on files that claim the same sectors over and over.
constexpr std::int64_t kMaxCoverage = 8;  // times the image's sectors, over all files
// ISO 9660 allows 8 levels; a little room for discs that ignore that, none for endless nesting.
constexpr int kMaxDepth = 32;
// As ISO 9660 allows; keeps every path, and so every record kept, small.
constexpr std::size_t kMaxPathLength = 255;
// The fixed part of a directory record, up to its name.
constexpr std::size_t kRecordHead = 33;

struct PendingDirectory {
    std::string path;  // "" for the root, else "/A/B"
    std::int64_t lsn;
    std::uint64_t bytes;
    int depth;
};

std::int64_t BlocksOf(std::uint64_t bytes) {
    return static_cast<std::int64_t>((bytes + kIsoBlockSize - 1) / kIsoBlockSize);
}

// The record's name without the ";1" version and a trailing "."; bytes outside printable ASCII
// become "?" so that paths stay one printable line.
std::string NameOf(const std::uint8_t* name, std::size_t length) {
    std::string out(reinterpret_cast<const char*>(name), length);
    if (const auto semicolon = out.find(';'); semicolon != std::string::npos) out.resize(semicolon);
    if (out.size() > 1 && out.back() == '.') out.pop_back();
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
    return out;
}

// The XA attributes from the record's system-use field, 0 when it has none.
std::uint16_t XaAttributes(const std::uint8_t* record, std::size_t record_length,
                           std::size_t name_length) {
    // The system-use field starts after the name and its padding byte to an even offset.
    const std::size_t su = kRecordHead + name_length + (name_length % 2 == 0 ? 1 : 0);
    if (su + sizeof(iso9660_xa_t) > record_length) return 0;
    iso9660_xa_t xa;
    std::copy_n(record + su, sizeof xa, reinterpret_cast<std::uint8_t*>(&xa));
    if (xa.signature[0] != 'X' || xa.signature[1] != 'A') return 0;
    return uint16_from_be(xa.attributes);
}

class Walk {
public:
    Walk(const BlockReader& read, std::int64_t image_sectors, FileSystem& fs)
        : read_(read), image_sectors_(image_sectors), fs_(fs) {}

    void Run(std::int64_t root_lsn, std::uint64_t root_bytes) {
        queue_.push_back({"", root_lsn, root_bytes, 0});
        while (!queue_.empty() && fs_.cut_short.empty()) {
            const PendingDirectory dir = queue_.front();
            queue_.pop_front();
            ReadDirectory(dir);
        }
        queue_.clear();
        damage_.AppendTo(fs_.warnings);
        if (overlapping_ == 1)
            fs_.warnings.push_back(first_overlapping_ +
                                   " overlaps a directory already read; it is not read.");
        if (overlapping_ > 1)
            fs_.warnings.push_back(first_overlapping_ + " and " + std::to_string(overlapping_ - 1) +
                                   " more overlap directories already read; they are not read.");
        if (!fs_.cut_short.empty()) fs_.warnings.push_back(fs_.cut_short);
        std::stable_sort(
            fs_.files.begin(), fs_.files.end(),
            [](const DiscFile& a, const DiscFile& b) { return a.first_sector < b.first_sector; });
    }

private:
    std::string Shown(const std::string& path) const { return path.empty() ? "/" : path; }

    void Warn(std::string sentence) { damage_.Add(std::move(sentence)); }

    // Ends the walk at one of its limits; what was read so far stays.
    void CutShort(std::string sentence) {
        if (fs_.cut_short.empty()) fs_.cut_short = std::move(sentence);
    }

    // Whether one more record may be kept; false ends the walk.
    bool TakeRecord() {
        if (++records_ <= kMaxRecords) return true;
        CutShort("The file system names more than " + std::to_string(kMaxRecords) +
                 " files and directories, more than any disc holds; the rest of them is not "
                 "read.");
        return false;
    }

    // Whether the extent overlaps a directory read before; a tree that names one directory twice
    // or points into itself is read once, however its records are arranged.
    bool OverlapsRead(std::int64_t lsn, std::int64_t blocks) const {
        const auto after = extents_.lower_bound(lsn + std::max<std::int64_t>(blocks, 1));
        return after != extents_.begin() && std::prev(after)->second > lsn;
    }

    bool ExtentFits(const std::string& path, std::int64_t lsn, std::uint64_t bytes,
                    const char* what) {
        const std::int64_t blocks = BlocksOf(bytes);
        if (lsn < 0 || lsn > image_sectors_ || blocks > image_sectors_ - lsn) {
            Warn("The " + std::string(what) + " " + Shown(path) + " (sector " +
                 std::to_string(lsn) + ", " + std::to_string(bytes) +
                 " bytes) ends past the image's last sector " + std::to_string(image_sectors_ - 1) +
                 "; it is skipped.");
            return false;
        }
        return true;
    }

    void ReadDirectory(const PendingDirectory& dir) {
        if (dir.bytes > kMaxDirectoryBytes) {
            Warn("The directory " + Shown(dir.path) + " claims " + std::to_string(dir.bytes) +
                 " bytes, more than any disc's directory holds; it is skipped.");
            return;
        }
        if (!ExtentFits(dir.path, dir.lsn, dir.bytes, "directory")) return;
        const std::int64_t blocks = BlocksOf(dir.bytes);
        if (OverlapsRead(dir.lsn, blocks)) {
            if (++overlapping_ == 1)
                first_overlapping_ = "The directory " + Shown(dir.path) + " (sector " +
                                     std::to_string(dir.lsn) + ")";
            return;
        }
        if (dir.bytes > kMaxWalkBytes - bytes_read_) {
            CutShort("The directories of the file system come to more than " +
                     std::to_string(kMaxWalkBytes) +
                     " bytes, more than any disc holds; the rest of them is not read.");
            return;
        }
        bytes_read_ += dir.bytes;
        extents_.emplace(dir.lsn, dir.lsn + std::max<std::int64_t>(blocks, 1));
        fs_.structures.push_back({"the directory " + Shown(dir.path), dir.lsn, blocks});
        std::array<std::uint8_t, kIsoBlockSize> block;
        for (std::int64_t i = 0; i < blocks && fs_.cut_short.empty(); ++i) {
            if (!read_(dir.lsn + i, block)) {
                Warn("Sector " + std::to_string(dir.lsn + i) + " of the directory " +
                     Shown(dir.path) + " cannot be read; the rest of it is skipped.");
                return;
            }
            ReadRecords(dir, dir.lsn + i, block);
        }
    }

    void ReadRecords(const PendingDirectory& dir, std::int64_t lsn,
                     const std::array<std::uint8_t, kIsoBlockSize>& block) {
        std::size_t pos = 0;
        // A zero length byte ends the records of this sector; the next ones start a new sector.
        while (pos < kIsoBlockSize && block[pos] != 0 && fs_.cut_short.empty()) {
            const std::uint8_t* record = block.data() + pos;
            const std::size_t length = record[0];
            // The name's length is only read once the record is known to lie in the sector.
            if (length < kRecordHead + 1 || pos + length > kIsoBlockSize ||
                kRecordHead + record[kRecordHead - 1] > length) {
                Warn("The directory " + Shown(dir.path) + " has a damaged record in sector " +
                     std::to_string(lsn) + "; the rest of that sector is skipped.");
                return;
            }
            pos += length;
            const std::size_t name_length = record[kRecordHead - 1];
            const std::uint8_t* name = record + kRecordHead;
            if (name_length == 1 && (name[0] == 0 || name[0] == 1)) continue;  // "." and ".."
            Add(dir, record, length, NameOf(name, name_length));
        }
    }

    void Add(const PendingDirectory& dir, const std::uint8_t* record, std::size_t length,
             const std::string& name) {
        iso9660_dir_t head;
        std::copy_n(record, kRecordHead, reinterpret_cast<std::uint8_t*>(&head));
        const std::int64_t lsn = from_733(head.extent);
        const std::uint64_t bytes = from_733(head.size);
        if (dir.path.size() + 1 + name.size() > kMaxPathLength) {
            Warn("The directory " + Shown(dir.path) + " holds a record whose path is longer than " +
                 std::to_string(kMaxPathLength) + " characters; it is skipped.");
            return;
        }
        const std::string path = dir.path + "/" + name;
        if (head.file_flags & ISO_DIRECTORY) {
            if (dir.depth + 1 > kMaxDepth) {
                Warn("The directory " + path + " lies deeper than " + std::to_string(kMaxDepth) +
                     " levels; it is skipped.");
                return;
            }
            if (TakeRecord()) queue_.push_back({path, lsn, bytes, dir.depth + 1});
            return;
        }
        if (head.file_flags & ISO_ASSOCIATED) return;  // extended attributes, not a file
        if (!ExtentFits(path, lsn, bytes, "file")) return;
        covered_ += BlocksOf(bytes);
        if (covered_ > kMaxCoverage * image_sectors_ + kMaxCoverage) {
            CutShort("The files of the file system together cover more than " +
                     std::to_string(kMaxCoverage) +
                     " times the image's sectors, more than any disc's do; the rest of them is "
                     "not read.");
            return;
        }
        if (!TakeRecord()) return;
        DiscFile file;
        file.path = path;
        file.first_sector = lsn;
        file.sectors = BlocksOf(bytes);
        file.bytes = bytes;
        file.xa_attributes = XaAttributes(record, length, record[kRecordHead - 1]);
        fs_.files.push_back(std::move(file));
    }

    const BlockReader& read_;
    std::int64_t image_sectors_;
    FileSystem& fs_;
    std::deque<PendingDirectory> queue_;
    std::map<std::int64_t, std::int64_t> extents_;  // directories read: first block -> end block
    std::uint64_t bytes_read_ = 0;
    std::size_t records_ = 0;
    std::int64_t covered_ = 0;  // file sectors so far
    std::size_t overlapping_ = 0;
    std::string first_overlapping_;
    CappedWarnings damage_{"damaged parts of the file system are skipped."};
};

}  // namespace

void WalkDirectories(const BlockReader& read, std::int64_t image_sectors, std::int64_t root_lsn,
                     std::uint64_t root_bytes, FileSystem& fs) {
    Walk(read, image_sectors, fs).Run(root_lsn, root_bytes);
}

}  // namespace vorlix
