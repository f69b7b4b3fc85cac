#pragma once
// The limit the programs are held against: the same bytes at the same places, moved with plain
// 1 MiB calls and flushed once at the end. Run as its own process, like the program it is
// compared with.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace vorlix::bench {

// Writes over `image` exactly the bytes Rip All writes for the list (XA headers on): the same
// entries, checked and planned by the same core calls, each range written in 1 MiB calls, the
// image flushed once at the end, or after every entry with `flush_each_entry` (to show what the
// flushes alone cost). Returns the sectors written.
std::int64_t BaselineRip(const std::filesystem::path& list, const std::filesystem::path& image,
                         const std::filesystem::path& blanks, bool flush_each_entry);

// Copies `bytes` from `from` at `from_offset` to `to` at `to_offset` in 1 MiB reads and writes and
// flushes `to` once. With `create` the target is a new file; otherwise it must exist and is
// changed in place.
void BaselineCopy(const std::filesystem::path& from, std::uint64_t from_offset,
                  const std::filesystem::path& to, std::uint64_t to_offset, std::uint64_t bytes,
                  bool create);

// Reads the whole file from its start in 1 MiB reads and does nothing with the bytes: the limit
// for anything that must look at every sector once. Returns the bytes read.
std::uint64_t BaselineRead(const std::filesystem::path& file);

// Makes each whole file one hole (FALLOC_FL_PUNCH_HOLE, the file system zeroing partial blocks
// itself) and flushes it: the least any silencing of whole files can cost. Returns the bytes.
std::uint64_t BaselinePunch(const std::vector<std::filesystem::path>& files);

}  // namespace vorlix::bench
