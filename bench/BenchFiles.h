// Memo files for the benchmarks, in a temporary folder.
#pragma once

#include <cstddef>
#include <filesystem>

namespace jotanor::bench {

// A memo file of `count` memos spread evenly over 1940 to 2100, in date
// order, created once per size and reused.
std::filesystem::path memoFileOf(std::size_t count);

// Reads the whole file and writes it back in place once, synced: the
// least that any change of the file costs.
void readAndWriteOnce(const std::filesystem::path& path);

// Reads the whole file once.
void readOnce(const std::filesystem::path& path);

// Reads the whole file once as `cat` does: block by block (128 KiB) into
// one small buffer. The measure a view's reading is held to.
void catOnce(const std::filesystem::path& path);

}  // namespace jotanor::bench
