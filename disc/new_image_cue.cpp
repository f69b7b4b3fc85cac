#include "disc/new_image_cue.h"

#include <cctype>
#include <string>
#include <string_view>

#include "disc/image_source.h"
#include "files/sector_file.h"

namespace vorlix {
namespace {

bool IsCue(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".cue";
}

std::string FileLine(const std::string& name, std::string_view type, std::string_view end) {
    return "FILE \"" + name + "\" " + std::string(type) + std::string(end);
}

// The cue's FILE lines with their files redirected: track 1's to `bin`, every other to the
// original's absolute path. Other lines stay as they are.
std::string RedirectedCue(const std::filesystem::path& cue, const std::filesystem::path& bin) {
    const std::string text = ReadWholeFile(cue, std::uint64_t{1} << 20);
    const std::filesystem::path data = DataTrackOf(cue);
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t next = text.find('\n', at);
        next = next == std::string::npos ? text.size() : next + 1;
        std::string_view line(text.data() + at, next - at);
        at = next;
        const std::size_t body = line.find_first_not_of(" \t");
        const std::size_t content_end = line.find_last_not_of("\r\n") + 1;
        const std::string_view end = line.substr(content_end);
        std::string keyword(body < content_end ? line.substr(body, 5) : std::string_view());
        for (char& c : keyword) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (keyword != "FILE " && keyword != "FILE\t") {
            out.append(line);
            continue;
        }
        std::string_view rest = line.substr(body + 5, content_end - body - 5);
        rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(" \t")));
        std::string name;
        if (!rest.empty() && rest.front() == '"') {
            const std::size_t close = rest.find('"', 1);
            name = rest.substr(1, close == std::string_view::npos ? rest.size() : close - 1);
            rest.remove_prefix(close == std::string_view::npos ? rest.size() : close + 1);
        } else {
            const std::size_t space = std::min(rest.size(), rest.find_first_of(" \t"));
            name = rest.substr(0, space);
            rest.remove_prefix(space);
        }
        rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(" \t")));
        const std::filesystem::path file =
            std::filesystem::absolute(cue.parent_path() / name).lexically_normal();
        std::error_code ec;
        const bool is_data = std::filesystem::equivalent(file, data, ec);
        out += FileLine(is_data ? bin.filename().string() : file.string(), rest, end);
    }
    return out;
}

}  // namespace

NewImage NewImageFor(const std::filesystem::path& image, const std::filesystem::path& output) {
    if (!IsCue(output)) return {output, std::nullopt, {}};
    NewImage target{std::filesystem::path(output).replace_extension(".bin"), output, {}};
    target.cue_text = IsCue(image) ? RedirectedCue(image, target.bin)
                                   : FileLine(target.bin.filename().string(), "BINARY", "\r\n") +
                                         "  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n";
    return target;
}

}  // namespace vorlix
