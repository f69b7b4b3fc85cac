// Cue sheet reading on arbitrary text: either a Failure that names the cue, or the data track's
// file resolved in the cue's folder.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/failure.h"
#include "disc/cue_sheet.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::filesystem::path cue = "/discs/game.cue";
    try {
        const std::filesystem::path bin = vorlix::CueDataTrack(text, cue);
        FUZZ_CHECK(!bin.empty());
        FUZZ_CHECK(bin.is_absolute());
        FUZZ_CHECK(text.find("MODE2/2352") != std::string_view::npos);
    } catch (const vorlix::Failure& f) {
        FUZZ_CHECK(std::string_view(f.what()).rfind("Cannot use /discs/game.cue: ", 0) == 0);
        FUZZ_CHECK(std::string_view(f.what()).back() == '.');
    }
    return 0;
}
