#pragma once
// File chores around the measurements: writing the image afresh, putting files in the same cache
// state before every run, and a content hash to prove that the compared programs wrote the same.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace vorlix::bench {

// The byte every sector s of a fresh image is filled with, past a header naming s.
std::uint8_t FreshByte(std::int64_t sector);

struct Sectors {
    std::int64_t first = 0;
    std::int64_t count = 0;
};

// Writes fresh sectors over the ranges of the file, in place (created when missing, never
// truncated, so the same disk blocks are overwritten every time), and flushes it.
void WriteFresh(const std::filesystem::path& path, const std::vector<Sectors>& ranges);

// Writes a new file of `sectors` valid Mode 2 sectors, each sealed at its own position (every
// eighth one Form 2 audio, the rest Form 1 data), and flushes it.
void WriteValidImage(const std::filesystem::path& path, std::int64_t sectors);

// Flushes the file and drops its pages from the page cache, so the next run reads it from the
// disk as a run on a freshly opened image would. A missing file is ignored.
void Settle(const std::filesystem::path& path);

// Flushes the whole file system that holds `dir`: what an earlier run left to write back (the
// blocks of a deleted file, say) is not paid by the next one.
void SettleFileSystem(const std::filesystem::path& dir);

// A 64-bit hash of the file's whole content.
std::uint64_t ContentHash(const std::filesystem::path& path);

// Bytes free for an unprivileged user in the file system of `dir`.
std::uint64_t FreeBytes(const std::filesystem::path& dir);

}  // namespace vorlix::bench
