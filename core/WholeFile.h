#pragma once

#include <cstddef>
#include <string>

namespace kvx {

enum class ReadStatus { Read, Missing, Failed };

// Reads the regular file at `path` into `bytes` in one go. Anything else at the
// path (a directory, a pipe that would block) or a file larger than `maxBytes`
// fails.
ReadStatus readWholeFile(const std::string& path, std::string& bytes, std::size_t maxBytes);

// Flushes the directory entry of `path` to the disk, so that a rename into it
// survives a crash. Best effort: not every file system can.
void syncParentDirectory(const std::string& path);

} // namespace kvx
