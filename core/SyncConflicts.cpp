#include "core/SyncConflicts.h"

#include "core/Settings.h"
#include "core/WholeFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace kvx {

namespace {

bool digits(std::string_view text, std::size_t count)
{
    return text.size() == count && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
    });
}

// "YYYY-MM-DD" at the start of `text`.
bool startsWithDate(std::string_view text)
{
    return text.size() >= 10 && digits(text.substr(0, 4), 4) && text[4] == '-' && digits(text.substr(5, 2), 2)
        && text[7] == '-' && digits(text.substr(8, 2), 2);
}

// Syncthing: ".sync-conflict-YYYYMMDD-HHMMSS-DEVICE" between the stem and the extension.
bool syncthingMark(std::string_view mark)
{
    constexpr std::string_view kPrefix = ".sync-conflict-";
    if (!mark.starts_with(kPrefix)) {
        return false;
    }
    mark.remove_prefix(kPrefix.size());
    return mark.size() > 17 && digits(mark.substr(0, 8), 8) && mark[8] == '-' && digits(mark.substr(9, 6), 6)
        && mark[15] == '-';
}

// Nextcloud and Dropbox: " (… conflicted copy YYYY-MM-DD…)".
bool conflictedCopyMark(std::string_view mark)
{
    constexpr std::string_view kWords = "conflicted copy ";
    if (!mark.starts_with(" (") || !mark.ends_with(")")) {
        return false;
    }
    const std::size_t words = mark.find(kWords);
    return words != std::string_view::npos && startsWithDate(mark.substr(words + kWords.size()));
}

} // namespace

bool isSyncConflictName(std::string_view dataFileName, std::string_view name)
{
    const std::size_t dot = dataFileName.rfind('.');
    const std::string_view stem
        = dot == std::string_view::npos || dot == 0 ? dataFileName : dataFileName.substr(0, dot);
    const std::string_view extension = dataFileName.substr(stem.size());
    if (name.size() <= dataFileName.size() || !name.starts_with(stem) || !name.ends_with(extension)) {
        return false;
    }
    const std::string_view mark = name.substr(stem.size(), name.size() - stem.size() - extension.size());
    return syncthingMark(mark) || conflictedCopyMark(mark);
}

std::vector<std::string> syncConflictCopies(const std::string& dataPath)
{
    const std::optional<std::string> file = fileBehind(dataPath);
    if (!file) {
        return {};
    }
    const std::string folder = directoryOf(*file); // "" or ending in "/"
    const std::string dataName = file->substr(folder.size());
    std::vector<std::string> copies;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(
        ::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
    for (const dirent* entry = dir ? ::readdir(dir.get()) : nullptr; entry != nullptr;
         entry = ::readdir(dir.get())) {
        if (!isSyncConflictName(dataName, entry->d_name)) {
            continue;
        }
        const std::string path = folder + entry->d_name;
        struct stat status { };
        if (::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid()) {
            copies.push_back(path);
        }
    }
    std::sort(copies.begin(), copies.end());
    return copies;
}

std::string setMergedCopyAside(const std::string& copy)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = copy + ".merged" + (attempt == 0 ? std::string() : "-" + std::to_string(attempt));
        struct stat status { };
        if (::lstat(name.c_str(), &status) == 0 || errno != ENOENT) {
            continue;
        }
        // A link, not a rename, where the file system has links: a name that
        // appeared meanwhile is never replaced.
        if (::link(copy.c_str(), name.c_str()) == 0) {
            ::unlink(copy.c_str());
        } else if (errno == EEXIST) {
            continue;
        } else if (::rename(copy.c_str(), name.c_str()) != 0) {
            break;
        }
        syncParentDirectory(name);
        return name;
    }
    return {};
}

} // namespace kvx
