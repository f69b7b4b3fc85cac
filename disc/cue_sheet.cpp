#include "disc/cue_sheet.h"

#include <fcntl.h>
#include <libcue.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <string>

#include "base/failure.h"

namespace vorlix {

namespace {

const char* ModeName(TrackMode mode) {
    switch (mode) {
        case MODE_AUDIO:
            return "AUDIO";
        case MODE_MODE1:
            return "MODE1/2048";
        case MODE_MODE1_RAW:
            return "MODE1/2352";
        case MODE_MODE2:
            return "MODE2/2336";
        case MODE_MODE2_FORM1:
            return "MODE2/2048";
        case MODE_MODE2_FORM2:
            return "MODE2/2324";
        case MODE_MODE2_FORM_MIX:
            return "MODE2/2332";
        case MODE_MODE2_RAW:
            return "MODE2/2352";
    }
    return "of an unknown mode";
}

// libcue reports syntax errors on standard error; the caller gets them as one Failure instead.
class QuietStderr {
public:
    QuietStderr() {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
        if (null >= 0) ::close(null);
    }
    ~QuietStderr() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};

struct CdDeleter {
    void operator()(Cd* cd) const { cd_delete(cd); }
};

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// Cue sheets come with CR LF, LF or (from old Macs) CR alone; libcue reads only LF.
std::string WithLfLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            out += text[i];
        } else if (i + 1 == text.size() || text[i + 1] != '\n') {
            out += '\n';
        }
    }
    return out;
}

// What libcue leaves out: each TRACK line's number, and the type of the FILE line before it.
struct TrackLine {
    int number = 0;
    std::string file_type;
};

std::vector<TrackLine> TrackLines(const std::string& text) {
    std::vector<TrackLine> tracks;
    std::string file_type;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        const std::size_t word_end = std::min(line.find_first_of(" \t", first), line.size());
        const std::string keyword = Upper(line.substr(first, word_end - first));
        // The type is the last word, after a name that may hold spaces.
        const std::size_t last_end = line.find_last_not_of(" \t") + 1;
        const std::size_t last = line.find_last_of(" \t\"", last_end - 1) + 1;
        if (keyword == "FILE") {
            file_type = Upper(line.substr(last, last_end - last));
        } else if (keyword == "TRACK") {
            const std::size_t n = line.find_first_not_of(" \t", word_end);
            int number = 0;
            for (std::size_t i = n;
                 i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])) &&
                 number < 1000;
                 ++i)
                number = number * 10 + (line[i] - '0');
            tracks.push_back({number, file_type});
        }
    }
    return tracks;
}

}  // namespace

std::vector<CueTrack> CueTracks(std::string_view text, const std::filesystem::path& cue) {
    const std::string refused = "Cannot use " + DisplayPath(cue) + ": ";
    // libcue reads a C string: a NUL inside would silently cut the sheet short.
    if (text.find('\0') != std::string_view::npos)
        throw Failure(refused + "it is not a cue sheet (it holds a NUL byte).");
    const std::string sheet = WithLfLineEnds(text);
    std::unique_ptr<Cd, CdDeleter> cd;
    {
        QuietStderr quiet;
        cd.reset(cue_parse_string(sheet.c_str()));
    }
    if (!cd) throw Failure(refused + "it is not a cue sheet that can be read.");
    const std::vector<TrackLine> lines = TrackLines(sheet);
    const int count = cd_get_ntrack(cd.get());
    if (count < 1) throw Failure(refused + "it names no track.");
    if (lines.size() != static_cast<std::size_t>(count))
        throw Failure(refused + "it is not a cue sheet that can be read.");
    std::vector<CueTrack> tracks;
    for (int i = 1; i <= count; ++i) {
        const Track* track = cd_get_track(cd.get(), i);
        const char* file = track ? track_get_filename(track) : nullptr;
        CueTrack t;
        t.number = lines[static_cast<std::size_t>(i - 1)].number;
        t.file_type = lines[static_cast<std::size_t>(i - 1)].file_type;
        if (file && *file) {
            // Cue sheets made on Windows separate folders with backslashes.
            std::string name = file;
            std::replace(name.begin(), name.end(), '\\', '/');
            const std::filesystem::path path(name);
            t.file = path.is_absolute() ? path : cue.parent_path() / path;
        }
        if (track) {
            t.mode = ModeName(track_get_mode(track));
            t.start = track_get_start(track);
            const long zero = track_get_index(track, 0);
            t.index0 = zero;
            t.first = zero >= 0 && zero < t.start ? zero : t.start;
            const long length = track_get_length(track);
            t.end = length >= 0 ? t.start + length : -1;
        }
        tracks.push_back(std::move(t));
    }
    return tracks;
}

DataTrack CueDataTrackIn(std::string_view text, const std::filesystem::path& cue) {
    const std::string refused = "Cannot use " + DisplayPath(cue) + ": ";
    const std::vector<CueTrack> tracks = CueTracks(text, cue);
    const CueTrack& one = tracks.front();
    if (one.number != 1)
        throw Failure(refused + "it has no track 1 (its first track is TRACK " +
                      (one.number < 10 ? "0" : "") + std::to_string(one.number) +
                      "); VORLIX needs the data track as track 1.");
    if (one.file.empty()) throw Failure(refused + "track 1 names no file.");
    if (one.mode != "MODE2/2352")
        throw Failure(refused + "track 1 is " + one.mode +
                      "; VORLIX works on MODE2/2352 data tracks.");
    if (one.file_type != "BINARY")
        throw Failure(refused + "the file of track 1 is of type " +
                      (one.file_type.empty() ? "(none)" : PrintableText(one.file_type)) +
                      "; the data track must be a BINARY file.");
    if (one.start != 0)
        throw Failure(refused + "track 1 starts " + std::to_string(one.start) +
                      " sectors into its file; VORLIX needs the data track at byte 0 of its file.");
    DataTrack data{one.file, cue, -1, 0};
    // The data track ends where the next track in its file begins.
    if (tracks.size() > 1 && tracks[1].file == one.file) {
        data.sectors = tracks[1].first;
        if (data.sectors <= 0)
            throw Failure(refused + "track 2 begins where track 1 does; track 1 holds no sector.");
    }
    return data;
}

std::filesystem::path CueDataTrack(std::string_view text, const std::filesystem::path& cue) {
    return CueDataTrackIn(text, cue).bin;
}

}  // namespace vorlix
