#pragma once
// What the end-to-end tests on the disc builder's images share: the expected entries as list
// lines, Rip All's hooks over a list, stand-in blank files, and an outside program's output.

#include <filesystem>
#include <string>
#include <vector>

#include "entries/entry_details.h"
#include "entries/list_reader.h"
#include "image/rip_all.h"
#include "support/process.h"
#include "support/synthetic.h"

namespace vorlix::test {

// "start:end:code" for each entry the builder expects a scan to find (of a BuiltDisc, whose
// header only the tests that build a disc include).
template <typename Disc>
std::vector<std::string> ExpectedLines(const Disc& disc) {
    std::vector<std::string> lines;
    for (const auto& e : disc.expected)
        lines.push_back(std::to_string(e.start) + ":" + std::to_string(e.end) + ":" +
                        std::to_string(e.code));
    return lines;
}

// Hooks that select each line as a click would and read `options` for every entry. `lines`
// must outlive the walk (so no temporary list is taken).
inline RipAllHooks WalkHooks(const EntryLines& lines, WriteOptions options = {}) {
    RipAllHooks hooks;
    hooks.select_entry = [&lines](std::size_t i) { return LabelsOf(ShowEntryDetails(lines[i])); };
    hooks.options = [options] { return options; };
    return hooks;
}
RipAllHooks WalkHooks(EntryLines&&, WriteOptions = {}) = delete;

// blank.STR and blank.XA of pattern sectors, for rips that check the blank files but whose
// bytes do not matter or are compared as they are.
inline void WritePatternBlanks(const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir);
    WritePatternFile(dir / "blank.STR", 3, 404);
    WritePatternFile(dir / "blank.XA", 4, 1);
}

// The standard output of a shell command (its errors dropped), for outside readers.
inline std::string ShellOutput(const std::string& command) {
    ProcessSetup setup;
    setup.seconds = 300;
    return RunProcess("/bin/sh", {"-c", command + " 2>/dev/null"}, setup).out;
}
inline bool Installed(const std::string& program) {
    return RunProcess("/bin/sh", {"-c", "command -v " + program}).status == 0;
}

}  // namespace vorlix::test
