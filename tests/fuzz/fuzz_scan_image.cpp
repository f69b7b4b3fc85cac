// The whole scan on a realistic disc damaged at will: the input is a list of patches, each
// [sector: 2 bytes][offset: 2 bytes][length: 1 byte][bytes], laid over the data track of a disc
// made by the test disc builder (the directory named by $VORLIX_FUZZ_DISC). Whatever the image
// holds, the scan ends, its entries lie inside the image in order without overlapping, every
// code is one a list may hold, no entry Rip All would write touches the file system's own
// sectors, and the warnings stay few. A refusal is an answer too.

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/failure.h"
#include "disc/file_system.h"
#include "disc/scan.h"
#include "entries/type_codes.h"
#include "fuzz_check.h"

namespace {

namespace fs = std::filesystem;
constexpr std::size_t kSector = 2352;

struct Disc {
    fs::path image;
    std::vector<char> original;
    std::int64_t sectors = 0;
    int fd = -1;
};

Disc& TheDisc() {
    static Disc disc;
    return disc;
}

void PutBytes(int fd, const char* bytes, std::size_t n, std::size_t at) {
    FUZZ_CHECK(::pwrite(fd, bytes, n, static_cast<off_t>(at)) == static_cast<ssize_t>(n));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* dir = std::getenv("VORLIX_FUZZ_DISC");
    if (dir == nullptr) {
        std::fprintf(stderr, "fuzz_scan_image: set VORLIX_FUZZ_DISC to a test disc's directory\n");
        std::exit(2);
    }
    Disc& disc = TheDisc();
    std::ifstream in(fs::path(dir) / "Test Disc (Track 1).bin", std::ios::binary);
    disc.original.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    disc.sectors = static_cast<std::int64_t>(disc.original.size() / kSector);
    FUZZ_CHECK(disc.sectors > 0);
    // A copy of the process's own, patched and put back for each input.
    disc.image =
        fs::temp_directory_path() / ("fuzz_scan_image." + std::to_string(::getpid()) + ".bin");
    std::ofstream(disc.image, std::ios::binary | std::ios::trunc)
        .write(disc.original.data(), static_cast<std::streamsize>(disc.original.size()));
    disc.fd = ::open(disc.image.c_str(), O_WRONLY | O_CLOEXEC);
    FUZZ_CHECK(disc.fd >= 0);
    std::atexit([] { std::filesystem::remove(TheDisc().image); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Disc& disc = TheDisc();
    struct Patch {
        std::size_t at, length;
    };
    std::vector<Patch> patches;
    for (std::size_t i = 0; i + 5 <= size;) {
        const std::size_t sector =
            (data[i] | data[i + 1] << 8) % static_cast<std::size_t>(disc.sectors);
        const std::size_t offset = (data[i + 2] | data[i + 3] << 8) % kSector;
        const std::size_t length =
            std::min<std::size_t>({data[i + 4], size - i - 5, kSector - offset});
        i += 5;
        const std::size_t at = sector * kSector + offset;
        PutBytes(disc.fd, reinterpret_cast<const char*>(data + i), length, at);
        patches.push_back({at, length});
        i += length;
    }

    try {
        const std::optional<vorlix::ScanResult> result = vorlix::ScanImage(disc.image);
        FUZZ_CHECK(result.has_value());
        const vorlix::FileSystem file_system = vorlix::ReadFileSystem(disc.image);
        std::int64_t after = 0;
        for (const vorlix::ScannedEntry& e : result->entries) {
            FUZZ_CHECK(e.start >= after && e.start <= e.end && e.end < disc.sectors);
            after = e.end + 1;
            const std::string_view name = vorlix::TypeNameForCode(std::to_string(e.code));
            FUZZ_CHECK(name != vorlix::kUnknownTypeName);
            if (vorlix::IsRippable(name))
                FUZZ_CHECK(vorlix::StructuresIn(file_system, e.start, e.end).empty());
        }
        FUZZ_CHECK(result->warnings.size() <= 40);
        for (const std::string& warning : result->warnings) FUZZ_CHECK(warning.size() <= 1000);
    } catch (const vorlix::Failure&) {
        // Refused: the image is no longer what it claims to be.
    }

    // Put the image back, newest patch first, where patches overlap.
    for (auto p = patches.rbegin(); p != patches.rend(); ++p)
        PutBytes(disc.fd, disc.original.data() + p->at, p->length, p->at);
    return 0;
}
