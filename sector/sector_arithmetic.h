#pragma once
// Two implementations of the EDC and ECC arithmetic of edc.h and ecc.h: the portable one, plain C++
// for any processor, and a fast one built on carry-less multiplication (EDC) and AVX2 byte
// arithmetic (P and Q parity). Both give the same bytes; the fast one runs where the processor has
// the instructions, unless VORLIX_PORTABLE_SECTORS is set in the environment.

#include <cstdint>
#include <span>

#include "sector/cd_sector.h"
#include "sector/ecc.h"

namespace vorlix {

enum class SectorArithmetic { Portable, Fast };

// Whether this processor can run the fast arithmetic.
bool FastSectorArithmeticAvailable();

// The implementation in use now.
SectorArithmetic ActiveSectorArithmetic();

// Chooses the implementation for the whole process (tests and the benchmark compare the two);
// Fast on a processor without the instructions stays Portable. Returns the one in use before.
SectorArithmetic UseSectorArithmetic(SectorArithmetic arithmetic);

namespace arithmetic {

// The portable implementation, kept as the reference.
std::uint32_t PortableEdcUpdate(std::uint32_t crc, std::span<const std::uint8_t> bytes);
void PortableWriteEcc(MutableSectorView sector);
ParityHolds PortableParityHolds(SectorView sector);

// The fast one; only to be called when FastSectorArithmeticAvailable().
std::uint32_t FastEdc(std::span<const std::uint8_t> bytes);
void FastWriteEcc(MutableSectorView sector);
ParityHolds FastParityHolds(SectorView sector);

// The two forms of the fast EDC: 128-bit folding, and 256-bit where the processor has VPCLMULQDQ
// (FastEdc takes the better).
std::uint32_t FoldedEdc128(std::span<const std::uint8_t> bytes);
std::uint32_t FoldedEdc256(std::span<const std::uint8_t> bytes);

// The two forms of the fast P/Q code: AVX2, and AVX2 with GFNI, which multiplies by alpha in one
// instruction (FastWriteEcc and FastParityHolds take the better).
void WriteEccAvx2(MutableSectorView sector);
void WriteEccGfni(MutableSectorView sector);
ParityHolds ParityHoldsAvx2(SectorView sector);
ParityHolds ParityHoldsGfni(SectorView sector);

// True when the fast implementation is selected (cheap enough to ask per sector).
bool FastSelected();

}  // namespace arithmetic
}  // namespace vorlix
