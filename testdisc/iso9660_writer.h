#pragma once
// A small ISO 9660 writer for test discs: primary volume descriptor with the CD-XA mark,
// terminator, L and M path tables and one sector per directory, every directory record carrying
// the 14-byte CD-XA system-use field. Deterministic: fixed dates, records sorted by name.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlix::test {

using IsoBlock = std::array<std::uint8_t, 2048>;

// XA attribute bits of a directory record.
inline constexpr std::uint16_t kXaPermissions = 0x0555;
inline constexpr std::uint16_t kXaForm1 = 0x0800;
inline constexpr std::uint16_t kXaForm2 = 0x1000;
inline constexpr std::uint16_t kXaInterleaved = 0x2000;
inline constexpr std::uint16_t kXaDirectory = 0x8000;
// What mastering tools write for plain files and directories (permissions with group bits set).
inline constexpr std::uint16_t kXaPlainFile = 0x0D55;
inline constexpr std::uint16_t kXaPlainDirectory = 0x8D55;
inline constexpr std::uint16_t kXaStreamFile = kXaForm2 | kXaInterleaved | kXaPermissions;

// One directory record without the CD-XA field, as crafted trees have them: "NAME;1" for a file.
std::vector<std::uint8_t> PlainDirectoryRecord(const std::string& name, std::int64_t extent,
                                               std::int64_t size, bool directory);

class Iso9660Writer {
public:
    // The volume descriptor goes in sector 16, the terminator in 17, the path tables in 18 and
    // 19, then the directories one sector each, in path-table order. `directories` are absolute
    // paths other than the root ("/MOVIE"); their parents must be listed too.
    Iso9660Writer(std::string volume_id, std::vector<std::string> directories);

    static constexpr std::int64_t kVolumeDescriptorSector = 16;
    // First sector after the directories.
    std::int64_t MetadataEnd() const;
    std::int64_t DirectorySector(const std::string& directory) const;

    // `size` in bytes as recorded (a Form 2 file counts 2048 bytes a sector).
    void AddFile(const std::string& path, std::int64_t extent, std::int64_t size,
                 std::uint16_t attributes, std::uint8_t file_number);
    // A directory record `path` that points at the extent of the directory `target` (a fault).
    void AddDirectoryLink(const std::string& path, const std::string& target);
    // A directory record `path` for an extent the writer does not fill (a fault).
    void AddDirectoryRecord(const std::string& path, std::int64_t extent, std::int64_t size);

    // User data of sectors 16 .. MetadataEnd() - 1.
    std::vector<IsoBlock> Blocks(std::int64_t volume_sectors) const;

private:
    struct Record {
        std::string name;  // as stored: "NAME.EXT;1" for files, "NAME" for directories
        std::int64_t extent = 0;
        std::int64_t size = 0;
        std::uint16_t attributes = 0;
        std::uint8_t file_number = 0;
        bool directory = false;
    };
    struct Directory {
        std::string path;
        int parent = 0;  // index into directories_ (the root is its own parent)
        std::vector<Record> records;
    };
    int IndexOf(const std::string& directory) const;

    std::string volume_id_;
    std::vector<Directory> directories_;  // path-table order: by level, parent, name
};

}  // namespace vorlix::test
