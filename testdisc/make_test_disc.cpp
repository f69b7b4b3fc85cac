// Writes the test disc into a folder and prints its layout, for looking at the images by hand
// and for trying other tools on them.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

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
            const std::string layout = argv[++i];
            if (layout == "mastered-movie")
                options.mastered_movie = true;
            else if (layout == "interleaved-movies")
                options.interleaved_movies = true;
            else if (layout == "record-ends")
                options.record_ends = true;
            else
                return Usage();
        } else if (arg == "--fault" && i + 1 < argc) {
            const std::string fault = argv[++i];
            if (fault == "directory-cycle")
                options.directory_cycle = true;
            else if (fault == "extent-past-end")
                options.extent_past_end = true;
            else if (fault == "zero-byte-file")
                options.zero_byte_file = true;
            else if (fault == "overlapping-directories")
                options.overlapping_directories = true;
            else if (fault == "crowded-directory")
                options.crowded_directory = true;
            else if (fault == "overlapping-files")
                options.overlapping_files = true;
            else if (fault == "no-file-system")
                options.no_file_system = true;
            else if (fault == "root-extent-huge")
                options.root_extent_huge = true;
            else if (fault == "dummy-over-file-system")
                options.dummy_over_file_system = true;
            else if (fault == "tim-named-dummy")
                options.tim_named_dummy = true;
            else if (fault.starts_with("movie-sizes-"))
                options.movie_bytes_per_sector = std::atoi(fault.c_str() + 12);
            else
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
