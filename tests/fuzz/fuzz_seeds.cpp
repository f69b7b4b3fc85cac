// Writes small seed corpora for the fuzz targets: fuzz_seeds <dir> fills <dir>/<target>/ with one
// file per seed, made from the same kinds of lists, lines and type box texts the tests use.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

void WriteSeeds(const std::filesystem::path& dir, const std::vector<std::string>& seeds) {
    std::filesystem::create_directories(dir);
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        std::ofstream(dir / ("seed" + std::to_string(i)), std::ios::binary) << seeds[i];
    }
}

std::string List(const std::vector<std::string>& lines, const std::string& end) {
    std::string text = "KLV header\r\n";
    for (const auto& line : lines) text += line + "\r\n";
    return text + end;
}

// One ISO 9660 directory record with an XA system-use field.
std::string Record(const std::string& id, std::uint32_t lsn, std::uint32_t bytes, bool directory) {
    const std::size_t pad = id.size() % 2 == 0 ? 1 : 0;
    std::string r(33 + id.size() + pad + 14, '\0');
    r[0] = static_cast<char>(r.size());
    for (int i = 0; i < 4; ++i) {
        r[2 + i] = r[9 - i] = static_cast<char>(lsn >> (8 * i));
        r[10 + i] = r[17 - i] = static_cast<char>(bytes >> (8 * i));
    }
    r[25] = directory ? 2 : 0;
    r[32] = static_cast<char>(id.size());
    r.replace(33, id.size(), id);
    r.replace(33 + id.size() + pad + 4, 4, directory ? "\x8d\x55XA" : "\x0d\x55XA");
    return r;
}

// The walk's input: root block and size, then 2048-byte blocks of directories.
std::string Volume(std::uint32_t root, std::uint32_t root_bytes,
                   const std::vector<std::string>& blocks) {
    std::string v(8, '\0');
    for (int i = 0; i < 4; ++i) {
        v[i] = static_cast<char>(root >> (8 * i));
        v[4 + i] = static_cast<char>(root_bytes >> (8 * i));
    }
    for (std::string b : blocks) {
        b.resize(2048, '\0');
        v += b;
    }
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <corpus dir>\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const std::vector<std::string> lines = {
        "10:20:10",    "0:0:99",     "7:3:1",       "23:522:2",
        "5",           "",           "1:2:010",     "1:2: 10",
        "1:2:",        "1:2:3:4",    "1.5:3:0",     "&H10:&HFFFF:20",
        "&O17:1e3:31", "1 2:3d2:32", "-4:.5e-1:40", "0:99999999999999999999:0",
        "1e400:1:99",
    };
    WriteSeeds(root / "fuzz_list_reader", {
                                              List({"0:22:99", "23:522:10"}, ".\r\n"),
                                              List({"5:9:1"}, "."),
                                              List({"5:9:1"}, ""),
                                              List({"5:9:1"}, "6:7:2"),
                                              List({"1:1:1", "", "2:2:2"}, ".5:9:1\r\n3:3:3\r\n"),
                                              ".\r\n5:9:1\r\n.",
                                              "H\r\na\rb\nc\r\n1\n\r2\r\n.",
                                              List(lines, "."),
                                          });
    WriteSeeds(root / "fuzz_entry_details", lines);
    std::vector<std::string> changes;
    for (const std::string box : {"99", "07", "", "1a", "-1", "&HF", "1e2", " 1 0"}) {
        changes.push_back(box + '\0' + lines[changes.size() % lines.size()]);
    }
    changes.push_back("10");
    WriteSeeds(root / "fuzz_type_change", changes);

    const std::string track1 = "FILE \"game (Track 1).bin\" BINARY\r\n  TRACK 01 MODE2/2352\r\n";
    WriteSeeds(
        root / "fuzz_cue_sheet",
        {
            track1 + "    INDEX 01 00:00:00\r\n",
            track1 + "    INDEX 01 00:00:00\r\nFILE \"game (Track 2).bin\" BINARY\r\n"
                     "  TRACK 02 AUDIO\r\n    INDEX 00 00:00:00\r\n    INDEX 01 00:02:00\r\n",
            "FILE \"a.bin\" BINARY\n TRACK 01 MODE2/2352\n INDEX 01 00:00:00\n TRACK 02 "
            "AUDIO\n PREGAP 00:02:00\n INDEX 01 10:00:00\n",
            "FILE \"a.iso\" BINARY\n TRACK 01 MODE1/2048\n INDEX 01 00:00:00\n",
            track1 + "    INDEX 00 00:00:00\r\n    INDEX 01 00:02:00\r\n",
            "REM GENRE Game\nCATALOG 0000000000000\nFILE /abs/x.bin BINARY\nTRACK 1 "
            "MODE2/2352\nFLAGS DCP\nINDEX 1 0:0:0\n",
            "FILE \"a.bin\" BINARY\r TRACK 01 MODE2/2352\r INDEX 01 00:00:00\r TRACK 02 AUDIO\r"
            " INDEX 00 10:00:00\r INDEX 01 10:02:00\r",
            "FILE \"a.wav\" WAVE\n TRACK 02 MODE2/2352\n INDEX 01 00:00:00\n",
        });
    const std::string dot = Record(std::string(1, '\0'), 0, 2048, true);
    const std::string dotdot = Record(std::string(1, '\1'), 0, 2048, true);
    WriteSeeds(root / "fuzz_directory_walk",
               {
                   Volume(0, 2048,
                          {dot + dotdot + Record("MOVIE", 1, 2048, true) +
                               Record("SYSTEM.CNF;1", 2, 68, false),
                           dot + dotdot + Record("INTRO.STR;1", 3, 4096, false)}),
                   Volume(0, 2048, {dot + dotdot + Record("LOOP", 0, 2048, true)}),
                   Volume(0, 4096, {dot + Record("FAR.DAT;1", 9, 99999, false), dotdot}),
               });
    // Patches over the test disc: none; the root's extent in the volume descriptor (sector 16,
    // user data from byte 24, the root record at 156, its extent 2 bytes in) made huge; the
    // root directory's first records (sector 22) garbled; whole runs of the volume descriptor
    // set and the root directory overwritten (which also lets inputs grow that long).
    const auto patch = [](int sector, int offset, const std::string& bytes) {
        return std::string{static_cast<char>(sector), static_cast<char>(sector >> 8),
                           static_cast<char>(offset), static_cast<char>(offset >> 8),
                           static_cast<char>(bytes.size())} +
               bytes;
    };
    WriteSeeds(
        root / "fuzz_scan_image",
        {"", patch(16, 24 + 156 + 2, "\xf0\xff\xff\xff"), patch(22, 24, std::string(40, '\x7f')),
         patch(16, 24, std::string(255, '\x01')) + patch(17, 24, std::string(255, '\xff')) +
             patch(22, 24 + 68, std::string(255, '\0'))});
    return 0;
}
