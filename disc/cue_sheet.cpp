#include "disc/cue_sheet.h"

#include <fcntl.h>
#include <libcue.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <string>

#include "disc/image_source.h"
#include "image/failure.h"
#include "image/sector_file.h"

namespace vorlix {

namespace {

// Real cue sheets are a few hundred bytes; anything this large is not one.
constexpr std::uint64_t kMaxCueBytes = std::uint64_t{1} << 20;

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

bool IsCue(const std::filesystem::path& image) {
    std::string ext = image.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".cue";
}

}  // namespace

std::filesystem::path CueDataTrack(std::string_view text, const std::filesystem::path& cue) {
    const std::string refused = "Cannot use " + DisplayPath(cue) + ": ";
    // libcue reads a C string: a NUL inside would silently cut the sheet short.
    if (text.find('\0') != std::string_view::npos)
        throw Failure(refused + "it is not a cue sheet (it holds a NUL byte).");
    std::unique_ptr<Cd, CdDeleter> cd;
    {
        QuietStderr quiet;
        cd.reset(cue_parse_string(std::string(text).c_str()));
    }
    if (!cd) throw Failure(refused + "it is not a cue sheet that can be read.");
    if (cd_get_ntrack(cd.get()) < 1) throw Failure(refused + "it names no track.");
    const Track* track = cd_get_track(cd.get(), 1);
    const char* file = track ? track_get_filename(track) : nullptr;
    if (!file || !*file) throw Failure(refused + "track 1 names no file.");
    const TrackMode mode = track_get_mode(track);
    if (mode != MODE_MODE2_RAW)
        throw Failure(refused + "track 1 is " + ModeName(mode) +
                      "; VORLIX works on MODE2/2352 data tracks.");
    const long start = track_get_start(track);
    if (start != 0)
        throw Failure(refused + "track 1 starts " + std::to_string(start) +
                      " sectors into its file; VORLIX needs the data track at byte 0 of its file.");
    // Cue sheets made on Windows separate folders with backslashes.
    std::string name = file;
    std::replace(name.begin(), name.end(), '\\', '/');
    const std::filesystem::path bin(name);
    return bin.is_absolute() ? bin : cue.parent_path() / bin;
}

std::filesystem::path DataTrackOf(const std::filesystem::path& image) {
    if (!IsCue(image)) return image;
    const std::filesystem::path bin = CueDataTrack(ReadWholeFile(image, kMaxCueBytes), image);
    if (FileLength(bin) < 0)
        throw Failure("Cannot use " + DisplayPath(image) + ": the file of track 1, " +
                      DisplayPath(bin) + ", does not exist.");
    return bin;
}

}  // namespace vorlix
