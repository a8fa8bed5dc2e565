#pragma once

#include "core/FileSink.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kvx {

enum class ReadStatus { Read, Missing, Failed };

// Reads the regular file at `path` into `bytes` in one go. Anything else at the
// path (a directory, a pipe that would block) or a file larger than `maxBytes`
// fails.
ReadStatus readWholeFile(const std::string& path, std::string& bytes, std::size_t maxBytes);

// Flushes the directory entry of `path` to the disk, so that a rename into it
// survives a crash. Best effort: not every file system can.
void syncParentDirectory(const std::string& path);

// The file that a save to `path` replaces: the one a symbolic link there points
// to, so that the link and a file kept elsewhere stay where they are. Nothing
// when the link cannot be followed.
std::optional<std::string> fileBehind(const std::string& path);

// Replaces the file at `path` (or behind a link there) with `bytes`, so that a
// crash leaves either the old file or the new one, never half of one: the bytes
// go through `sink` into a temporary file in the same folder, reach the disk,
// and only then take the file's name. On any failure the old file stays as it
// was and no temporary file is left.
bool replaceFileSafely(FileSink& sink, const std::string& path, std::string_view bytes);

} // namespace kvx
