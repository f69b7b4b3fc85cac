// Writes small seed corpora for the fuzz targets: fuzz_seeds <dir> fills <dir>/<target>/ with one
// file per seed, made from the same kinds of lists, lines and type box texts the tests use.

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
    return 0;
}
