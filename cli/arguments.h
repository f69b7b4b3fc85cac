#pragma once
// Parsing the command line into one command with its operands and options.

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "disc/image_source.h"
#include "image/write_options.h"

namespace vorlix::cli {

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Arguments {
    std::string command;  // list, backup, restore, replace, rip, scan, verify, silence-audio, help,
                          // version
    std::string list;
    std::string image;
    std::size_t position = 0;  // 1-based
    std::string file;
    bool overwrite = false;
    WriteOptions write;
    bool dry_run = false;
    std::vector<std::pair<std::size_t, std::string>> type_changes;  // position, code
    std::optional<std::string> blanks;
    bool all = false;         // verify: every range, not the first 20 of each kind
    std::string output;       // scan: the list file to write, empty for standard output; rip: NEW
    std::string image_named;  // IMAGE as given (a .cue), before it stands for its data track
    bool explain = false;
    DataTrack track;  // what IMAGE stands for, once resolved: `image` is then its .bin
};

// Throws UsageError for anything that does not form a command.
Arguments ParseArguments(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace vorlix::cli
