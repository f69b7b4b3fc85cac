#include "blanks/blank_files.h"
#include "image/valid_sectors.h"

namespace vorlix {

// The silent XA sector that also fills XA entries under Write Valid Sectors, at address 00:02:00.
ByteVector MakeBlankXa() {
    const RawSector sector = SilentXaSector(0);
    return ByteVector(sector.begin(), sector.end());
}

}  // namespace vorlix
