#pragma once

#include "core/FileSink.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace kvx {

enum class ReadStatus { Read, Missing, Failed };

// The system's text for an errno value.
std::string systemReason(int error);

// Whether a read goes through a symbolic link at the path.
enum class Links { Follow, Refuse };

// Reads the regular file at `path` (a symbolic link to one is followed, unless
// `links` refuses it) into `bytes` in one go, without ever waiting: anything
// else at the path (a folder, a named pipe, a device) or a file larger than
// `maxBytes` fails. On failure `reason`, when given, says why.
ReadStatus readWholeFile(const std::string& path, std::string& bytes, std::size_t maxBytes,
    std::string* reason = nullptr, Links links = Links::Follow);

// Flushes the directory entry of `path` to the disk, so that a rename into it
// survives a crash. Best effort: not every file system can.
void syncParentDirectory(const std::string& path);

// The file that a save to `path` replaces: the one a symbolic link there points
// to (through any chain of links, whether the target exists or not), so that
// the link and a file kept elsewhere stay where they are. Nothing when the
// links go round in a circle or cannot be read, or when one of them belongs
// to another user: as the kernel does in folders that others may write to,
// the program never writes through a link that someone else put there.
std::optional<std::string> fileBehind(const std::string& path, std::string* reason = nullptr);

// A name of a temporary file that a save of `file` by process `pid` of this
// computer writes before it takes the file's name:
// "<file>.kvx-tmp-<pid>-<random, 8 hexadecimal digits>-<computer>".
std::string temporaryPathFor(const std::string& file, pid_t pid, std::uint32_t random = 0);
// What the names of every temporary file of `pid`'s saves of `file` begin with.
std::string temporaryPrefixFor(const std::string& file, pid_t pid);
// `text` fit to stand in a file name: slashes and control characters become "_".
std::string fileNamePart(std::string text);

// Replaces the file at `path` (or behind a link there) with `bytes`, so that a
// crash leaves either the old file or the new one, never half of one: the bytes
// go through `sink` into a temporary file in the same folder, reach the disk,
// and only then take the file's name. A new file is readable by its owner
// only; a replaced one keeps its mode and group. Nothing is written where
// something other than a regular file stands, over a file its owner may not
// write, or into the system's device and process folders. On any failure the
// old file stays as it was, no temporary file is left and `reason`, when
// given, says why.
bool replaceFileSafely(
    FileSink& sink, const std::string& path, std::string_view bytes, std::string* reason = nullptr);

// Copies the regular file `from` to the new file `to`, readable by its owner
// only. Fails when `to` exists.
bool copyFilePrivately(const std::string& from, const std::string& to, std::string* reason = nullptr);

// Removes from `folder` the temporary files of saves whose process has ended
// (a save killed half-way leaves its temporary file behind): this computer's
// ended processes', and any left for an hour. Those of running processes
// stay. Returns how many were removed.
int removeStaleTempFiles(const std::string& folder);

// Appends `bytes` to the regular file at `path` (or behind the user's own link
// there) in one write, creating it readable by its owner only when missing.
// Nothing is written where anything else stands (a folder, a pipe, a device,
// another user's link); on failure `reason` says why.
bool appendToFile(const std::string& path, std::string_view bytes, std::string* reason = nullptr);

// The folders of the file at `path` (the folder it names, and the one behind
// the user's own link there) that the user's group or others may write to:
// anyone who can write there can replace the file or put a link in its place.
std::vector<std::string> foldersOthersMayWrite(const std::string& path);

// Creates `folder` and any missing parent, each readable by its owner only.
bool createPrivateFolders(const std::string& folder);

} // namespace kvx
