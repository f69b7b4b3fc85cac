// Writes the test disc into a folder and prints its layout, for looking at the images by hand
// and for trying other tools on them.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

#include "testdisc/psx_disc_builder.h"

namespace {

const char* KindName(vorlix::test::BuiltStream::Kind kind) {
    switch (kind) {
        case vorlix::test::BuiltStream::Movie:
            return "movie";
        case vorlix::test::BuiltStream::MovieWithAudio:
            return "movie+audio";
        case vorlix::test::BuiltStream::Xa:
            return "xa";
    }
    return "?";
}

int Usage() {
    std::fprintf(stderr,
                 "usage: vorlix-make-test-disc DIR [--sectors N] [--name NAME] [--truncate N] "
                 "[--single-bin]\n"
                 "       [--layout mastered-movie|interleaved-movies|record-ends]...\n"
                 "       [--fault directory-cycle|extent-past-end|zero-byte-file|no-file-system|\n"
                 "                root-extent-huge|overlapping-directories|crowded-directory|\n"
                 "                overlapping-files|dummy-over-file-system|tim-named-dummy|\n"
                 "                movie-sizes-2336|movie-sizes-2352]\n");
    return 2;
}

using Flag = std::pair<const char*, bool vorlix::test::DiscOptions::*>;
using vorlix::test::DiscOptions;

constexpr Flag kLayouts[] = {
    {"mastered-movie", &DiscOptions::mastered_movie},
    {"interleaved-movies", &DiscOptions::interleaved_movies},
    {"record-ends", &DiscOptions::record_ends},
};

constexpr Flag kFaults[] = {
    {"directory-cycle", &DiscOptions::directory_cycle},
    {"extent-past-end", &DiscOptions::extent_past_end},
    {"zero-byte-file", &DiscOptions::zero_byte_file},
    {"overlapping-directories", &DiscOptions::overlapping_directories},
    {"crowded-directory", &DiscOptions::crowded_directory},
    {"overlapping-files", &DiscOptions::overlapping_files},
    {"no-file-system", &DiscOptions::no_file_system},
    {"root-extent-huge", &DiscOptions::root_extent_huge},
    {"dummy-over-file-system", &DiscOptions::dummy_over_file_system},
    {"tim-named-dummy", &DiscOptions::tim_named_dummy},
};

// Sets the option `name` names in `flags`; false for a name not there.
template <std::size_t N>
bool SetFlag(const Flag (&flags)[N], std::string_view name, DiscOptions& options) {
    for (const auto& [flag, member] : flags)
        if (name == flag) return options.*member = true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    vorlix::test::DiscOptions options;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--sectors" && i + 1 < argc)
            options.total_sectors = std::atoll(argv[++i]);
        else if (arg == "--name" && i + 1 < argc)
            options.name = argv[++i];
        else if (arg == "--single-bin")
            options.single_bin = true;
        else if (arg == "--truncate" && i + 1 < argc)
            options.truncate_to = std::atoll(argv[++i]);
        else if (arg == "--layout" && i + 1 < argc) {
            if (!SetFlag(kLayouts, argv[++i], options)) return Usage();
        } else if (arg == "--fault" && i + 1 < argc) {
            const std::string fault = argv[++i];
            if (fault.starts_with("movie-sizes-"))
                options.movie_bytes_per_sector = std::atoi(fault.c_str() + 12);
            else if (!SetFlag(kFaults, fault, options))
                return Usage();
        } else
            return Usage();
    }
    try {
        const auto disc = vorlix::test::BuildPsxDisc(argv[1], options);
        std::printf("%s: %lld sectors\n%s\n%s\n", disc.bin.string().c_str(),
                    static_cast<long long>(disc.sectors), disc.audio_bin.string().c_str(),
                    disc.cue.string().c_str());
        std::printf("\nfile\tfirst sector\tsectors\tkind\n");
        for (const auto& f : disc.files)
            std::printf("%s\t%lld\t%lld\t%s\n", f.path.c_str(),
                        static_cast<long long>(f.first_sector), static_cast<long long>(f.sectors),
                        f.role.c_str());
        std::printf("\nstream\tfirst\tlast\tkind\tframes\tsize\tchannels\n");
        for (const auto& s : disc.streams)
            std::printf("%s\t%lld\t%lld\t%s\t%d\t%dx%d\t%d\n", s.where.c_str(),
                        static_cast<long long>(s.first_sector),
                        static_cast<long long>(s.last_sector), KindName(s.kind), s.frames, s.width,
                        s.height, s.channels);
        std::printf("\nexpected list\n");
        for (const auto& e : disc.expected)
            std::printf("%lld:%lld:%d\t%s\n", static_cast<long long>(e.start),
                        static_cast<long long>(e.end), e.code, e.where.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vorlix-make-test-disc: %s\n", e.what());
        return 1;
    }
    return 0;
}
