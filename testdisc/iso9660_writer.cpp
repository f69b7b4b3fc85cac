#include "testdisc/iso9660_writer.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "sector/little_endian.h"

namespace vorlix::test {
namespace {

constexpr std::int64_t kPathTableL = 18;
constexpr std::int64_t kPathTableM = 19;
constexpr std::int64_t kFirstDirectory = 20;
constexpr std::size_t kRootRecordOffset = 156;
constexpr std::size_t kXaMarkOffset = 0x400;

std::string ParentOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

int LevelOf(const std::string& path) {
    return path == "/" ? 0 : static_cast<int>(std::ranges::count(path, '/'));
}

void Be16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}
void Be32(std::uint8_t* p, std::uint64_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * (3 - i)));
}
void Both16(std::uint8_t* p, std::uint32_t v) {
    WriteLe16(p, static_cast<std::uint16_t>(v));
    Be16(p + 2, v);
}
void Both32(std::uint8_t* p, std::uint64_t v) {
    WriteLe32(p, static_cast<std::uint32_t>(v));
    Be32(p + 4, v);
}
void Text(std::uint8_t* p, std::size_t width, const std::string& text) {
    std::memset(p, ' ', width);
    std::memcpy(p, text.data(), std::min(width, text.size()));
}

// Directory record of `name` (one byte: 00 for ".", 01 for ".."), with the CD-XA field unless
// `xa` is false (the root record inside the volume descriptor has exactly 34 bytes).
std::vector<std::uint8_t> DirectoryRecord(const std::string& name, std::int64_t extent,
                                          std::int64_t size, bool directory,
                                          std::uint16_t attributes, std::uint8_t file_number,
                                          bool xa = true) {
    const std::size_t name_length = name.size();
    std::size_t length = 33 + name_length;
    if (length % 2) ++length;
    if (xa) length += 14;
    std::vector<std::uint8_t> r(length, 0);
    r[0] = static_cast<std::uint8_t>(length);
    Both32(&r[2], static_cast<std::uint64_t>(extent));
    Both32(&r[10], static_cast<std::uint64_t>(size));
    // 1999-01-01 00:00:00 GMT
    r[18] = 99;
    r[19] = 1;
    r[20] = 1;
    r[25] = directory ? 0x02 : 0x00;
    Both16(&r[28], 1);
    r[32] = static_cast<std::uint8_t>(name_length);
    std::memcpy(&r[33], name.data(), name_length);
    if (xa) {
        std::uint8_t* su = &r[length - 14];
        Be16(su + 4, attributes);
        su[6] = 'X';
        su[7] = 'A';
        su[8] = file_number;
    }
    return r;
}

void Date17(std::uint8_t* p, const char* digits) {
    std::memcpy(p, digits, 16);
}

}  // namespace

std::vector<std::uint8_t> PlainDirectoryRecord(const std::string& name, std::int64_t extent,
                                               std::int64_t size, bool directory) {
    return DirectoryRecord(name, extent, size, directory, 0, 0, false);
}

Iso9660Writer::Iso9660Writer(std::string volume_id, std::vector<std::string> directories)
    : volume_id_(std::move(volume_id)) {
    directories.push_back("/");
    std::ranges::sort(directories);
    directories.erase(std::unique(directories.begin(), directories.end()), directories.end());
    // Path-table order: by level, then by parent's number, then by name. Sorting level by level
    // with the parents already numbered gives exactly that.
    for (int level = 0;; ++level) {
        std::vector<std::pair<int, std::string>> at_level;
        for (const auto& d : directories) {
            if (LevelOf(d) != level) continue;
            at_level.emplace_back(level == 0 ? 0 : IndexOf(ParentOf(d)), d);
        }
        if (at_level.empty()) break;
        std::ranges::sort(at_level, [](const auto& a, const auto& b) {
            return a.first != b.first ? a.first < b.first : NameOf(a.second) < NameOf(b.second);
        });
        for (auto& [parent, path] : at_level) directories_.push_back({path, parent, {}});
    }
    for (std::size_t i = 1; i < directories_.size(); ++i) {
        auto& parent = directories_[static_cast<std::size_t>(directories_[i].parent)];
        parent.records.push_back({NameOf(directories_[i].path),
                                  DirectorySector(directories_[i].path), 2048, kXaPlainDirectory, 0,
                                  true});
    }
}

int Iso9660Writer::IndexOf(const std::string& directory) const {
    for (std::size_t i = 0; i < directories_.size(); ++i)
        if (directories_[i].path == directory) return static_cast<int>(i);
    throw std::logic_error("no directory " + directory);
}

std::int64_t Iso9660Writer::MetadataEnd() const {
    return kFirstDirectory + static_cast<std::int64_t>(directories_.size());
}

std::int64_t Iso9660Writer::DirectorySector(const std::string& directory) const {
    return kFirstDirectory + IndexOf(directory);
}

void Iso9660Writer::AddFile(const std::string& path, std::int64_t extent, std::int64_t size,
                            std::uint16_t attributes, std::uint8_t file_number) {
    directories_[static_cast<std::size_t>(IndexOf(ParentOf(path)))].records.push_back(
        {NameOf(path) + ";1", extent, size, attributes, file_number, false});
}

void Iso9660Writer::AddDirectoryLink(const std::string& path, const std::string& target) {
    directories_[static_cast<std::size_t>(IndexOf(ParentOf(path)))].records.push_back(
        {NameOf(path), DirectorySector(target), 2048, kXaPlainDirectory, 0, true});
}

void Iso9660Writer::AddDirectoryRecord(const std::string& path, std::int64_t extent,
                                       std::int64_t size) {
    directories_[static_cast<std::size_t>(IndexOf(ParentOf(path)))].records.push_back(
        {NameOf(path), extent, size, kXaPlainDirectory, 0, true});
}

std::vector<IsoBlock> Iso9660Writer::Blocks(std::int64_t volume_sectors) const {
    std::vector<IsoBlock> blocks(static_cast<std::size_t>(MetadataEnd() - kVolumeDescriptorSector));
    for (auto& b : blocks) b.fill(0);

    // Path tables.
    std::vector<std::uint8_t> path_l, path_m;
    for (const auto& d : directories_) {
        const std::string name = d.path == "/" ? std::string(1, '\0') : NameOf(d.path);
        std::vector<std::uint8_t> l(8 + name.size() + name.size() % 2, 0);
        l[0] = static_cast<std::uint8_t>(name.size());
        std::memcpy(&l[8], name.data(), name.size());
        std::vector<std::uint8_t> m = l;
        const auto extent = static_cast<std::uint64_t>(DirectorySector(d.path));
        WriteLe32(&l[2], static_cast<std::uint32_t>(extent));
        WriteLe16(&l[6], static_cast<std::uint16_t>(d.parent + 1));
        Be32(&m[2], extent);
        Be16(&m[6], static_cast<std::uint32_t>(d.parent + 1));
        path_l.insert(path_l.end(), l.begin(), l.end());
        path_m.insert(path_m.end(), m.begin(), m.end());
    }
    if (path_l.size() > 2048) throw std::logic_error("path table over one sector");
    std::ranges::copy(path_l, blocks[kPathTableL - kVolumeDescriptorSector].begin());
    std::ranges::copy(path_m, blocks[kPathTableM - kVolumeDescriptorSector].begin());

    // Primary volume descriptor.
    std::uint8_t* pvd = blocks[0].data();
    pvd[0] = 1;
    std::memcpy(pvd + 1, "CD001", 5);
    pvd[6] = 1;
    Text(pvd + 8, 32, "PLAYSTATION");
    Text(pvd + 40, 32, volume_id_);
    Both32(pvd + 80, static_cast<std::uint64_t>(volume_sectors));
    Both16(pvd + 120, 1);
    Both16(pvd + 124, 1);
    Both16(pvd + 128, 2048);
    Both32(pvd + 132, path_l.size());
    WriteLe32(pvd + 140, static_cast<std::uint32_t>(kPathTableL));
    Be32(pvd + 148, kPathTableM);
    const auto root = DirectoryRecord(std::string(1, '\0'), kFirstDirectory, 2048, true,
                                      kXaPlainDirectory, 0, false);
    std::ranges::copy(root, pvd + kRootRecordOffset);
    Text(pvd + 190, 128, "");
    Text(pvd + 318, 128, "VORLIX TESTS");
    Text(pvd + 446, 128, "VORLIX TESTS");
    Text(pvd + 574, 128, "PLAYSTATION");
    Text(pvd + 702, 37, "");
    Text(pvd + 739, 37, "");
    Text(pvd + 776, 37, "");
    Date17(pvd + 813, "1999010100000000");
    Date17(pvd + 830, "1999010100000000");
    Date17(pvd + 847, "0000000000000000");
    Date17(pvd + 864, "0000000000000000");
    pvd[881] = 1;
    std::memcpy(pvd + kXaMarkOffset, "CD-XA001", 8);

    // Terminator.
    std::uint8_t* end = blocks[1].data();
    end[0] = 255;
    std::memcpy(end + 1, "CD001", 5);
    end[6] = 1;

    // Directories: ".", "..", then the records sorted by name.
    for (std::size_t i = 0; i < directories_.size(); ++i) {
        const Directory& d = directories_[i];
        std::vector<Record> records = d.records;
        std::ranges::sort(records,
                          [](const Record& a, const Record& b) { return a.name < b.name; });
        std::vector<std::uint8_t> bytes;
        auto append = [&](const std::vector<std::uint8_t>& r) {
            bytes.insert(bytes.end(), r.begin(), r.end());
        };
        append(DirectoryRecord(std::string(1, '\0'), DirectorySector(d.path), 2048, true,
                               kXaPlainDirectory, 0));
        append(
            DirectoryRecord(std::string(1, '\1'),
                            DirectorySector(directories_[static_cast<std::size_t>(d.parent)].path),
                            2048, true, kXaPlainDirectory, 0));
        for (const Record& r : records)
            append(DirectoryRecord(r.name, r.extent, r.size, r.directory, r.attributes,
                                   r.file_number));
        if (bytes.size() > 2048) throw std::logic_error("directory over one sector: " + d.path);
        std::ranges::copy(
            bytes,
            blocks[static_cast<std::size_t>(DirectorySector(d.path) - kVolumeDescriptorSector)]
                .begin());
    }
    return blocks;
}

}  // namespace vorlix::test
