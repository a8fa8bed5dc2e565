#include "core/WholeFile.h"

#include "core/DataFileLock.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace kvx {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTemporaryMark = ".kvx-tmp-";

class Descriptor {
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    // Closes now; false when the close reports a failure.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

std::uint32_t randomPart()
{
    thread_local std::mt19937 generator{std::random_device{}()};
    return static_cast<std::uint32_t>(generator());
}

bool fail(std::string* reason, std::string text)
{
    if (reason != nullptr) {
        *reason = std::move(text);
    }
    return false;
}

bool failWithErrno(std::string* reason, int error)
{
    return fail(reason, systemReason(error != 0 ? error : EIO));
}

// A read error, or the size limit, ends the read.
bool readAll(int fd, std::string& bytes, std::size_t maxBytes, std::string* reason)
{
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return failWithErrno(reason, errno);
        }
        if (got == 0) {
            return true;
        }
        if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
            return failWithErrno(reason, EFBIG);
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::string folderOf(const std::string& file)
{
    const std::string folder = fs::path(file).parent_path().string();
    return folder.empty() ? std::string(".") : folder;
}

// The device, process and kernel folders hold no files of the user's.
bool isSystemFolder(const std::string& folder)
{
    char resolved[PATH_MAX];
    if (::realpath(folder.c_str(), resolved) == nullptr) {
        return false;
    }
    const std::string_view path(resolved);
    constexpr std::array<std::string_view, 3> kSystemTrees{"/dev", "/proc", "/sys"};
    return std::ranges::any_of(kSystemTrees, [path](std::string_view system) {
        return path == system || (path.starts_with(system) && path[system.size()] == '/');
    });
}

// The owner's own write bit decides for the owner, even one the system would
// let write anyway (root): a file the user made read-only is not replaced.
bool mayReplace(const std::string& file, const struct stat& status)
{
    if (status.st_uid == ::geteuid()) {
        return (status.st_mode & S_IWUSR) != 0;
    }
    return ::access(file.c_str(), W_OK) == 0;
}

// Checks the place a save writes to: a folder that exists, is not one of the
// system's, and holds a regular file the user may write, or nothing, at `file`.
// `existing` receives the file's status when there is one.
bool checkSaveTarget(const std::string& file, std::optional<struct stat>& existing, std::string* reason)
{
    const std::string folder = folderOf(file);
    struct stat folderStatus { };
    if (::stat(folder.c_str(), &folderStatus) != 0) {
        return failWithErrno(reason, errno);
    }
    if (!S_ISDIR(folderStatus.st_mode)) {
        return failWithErrno(reason, ENOTDIR);
    }
    if (isSystemFolder(folder)) {
        return fail(reason, "a system folder: " + folder);
    }
    struct stat status { };
    if (::lstat(file.c_str(), &status) != 0) {
        if (errno != ENOENT) {
            return failWithErrno(reason, errno);
        }
        existing.reset();
        return true;
    }
    if (!S_ISREG(status.st_mode)) {
        return fail(reason, S_ISDIR(status.st_mode) ? systemReason(EISDIR) : "not a regular file");
    }
    if (!mayReplace(file, status)) {
        return failWithErrno(reason, EACCES);
    }
    existing = status;
    return true;
}

// The new file takes the place of the old one as the old one was: its mode,
// its group, and (for root) its owner.
bool takeOverAttributes(const std::string& temporary, const struct stat& existing, std::string* reason)
{
    const uid_t owner = ::geteuid() == 0 ? existing.st_uid : static_cast<uid_t>(-1);
    // A group the user is not in cannot be given; the mode still can.
    [[maybe_unused]] const int ignored = ::chown(temporary.c_str(), owner, existing.st_gid);
    if (::chmod(temporary.c_str(), existing.st_mode & 07777) != 0) {
        return failWithErrno(reason, errno);
    }
    return true;
}

// Who wrote a temporary file, read from its name: "<pid>" (older versions),
// or "<pid>-<random>-<computer>".
struct TemporaryWriter {
    pid_t pid = 0;
    std::optional<std::string> computer;
};

std::optional<TemporaryWriter> writerOf(std::string_view name)
{
    const std::size_t mark = name.rfind(kTemporaryMark);
    if (mark == std::string_view::npos || mark == 0) {
        return std::nullopt;
    }
    const std::string_view rest = name.substr(mark + kTemporaryMark.size());
    TemporaryWriter writer;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), writer.pid);
    if (error != std::errc() || end == rest.data() || writer.pid <= 0) {
        return std::nullopt;
    }
    const std::string_view after(end, static_cast<std::size_t>(rest.data() + rest.size() - end));
    if (after.empty()) {
        return writer;
    }
    // "-" 8 hexadecimal digits "-" and the computer's name
    constexpr std::size_t kRandomDigits = 8;
    if (after.size() < kRandomDigits + 3 || after[0] != '-' || after[kRandomDigits + 1] != '-'
        || !std::all_of(after.begin() + 1, after.begin() + 1 + kRandomDigits,
            [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; })) {
        return std::nullopt;
    }
    writer.computer = std::string(after.substr(kRandomDigits + 2));
    return writer;
}

// A temporary file whose writer is gone: one of this computer's ended
// processes, or any writer's after an hour (no save takes that long; another
// computer's processes cannot be asked).
bool staleTemporary(const TemporaryWriter& writer, const struct stat& status)
{
    constexpr time_t kAbandonedAfterSeconds = 3600;
    if (::time(nullptr) - status.st_mtim.tv_sec >= kAbandonedAfterSeconds) {
        return true;
    }
    if (writer.computer && *writer.computer != fileNamePart(thisComputerName())) {
        return false;
    }
    return ::kill(writer.pid, 0) != 0 && errno == ESRCH;
}

} // namespace

std::string systemReason(int error)
{
    return std::strerror(error);
}

ReadStatus readWholeFile(
    const std::string& path, std::string& bytes, std::size_t maxBytes, std::string* reason, Links links)
{
    bytes.clear();
    struct stat status { };
    const bool follow = links == Links::Follow;
    // Looked at before opening: opening a device can have effects of its own.
    if ((follow ? ::stat(path.c_str(), &status) : ::lstat(path.c_str(), &status)) != 0) {
        const int error = errno;
        fail(reason, systemReason(error));
        return error == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
    }
    if (!S_ISREG(status.st_mode)) {
        fail(reason, S_ISDIR(status.st_mode) ? systemReason(EISDIR) : "not a regular file");
        return ReadStatus::Failed;
    }
    // Non-blocking, so that a named pipe put there since does not wait for a writer.
    const Descriptor file(
        ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (follow ? 0 : O_NOFOLLOW)));
    if (file.get() < 0) {
        const int error = errno;
        fail(reason, systemReason(error));
        return error == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
    }
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        fail(reason, "not a regular file");
        return ReadStatus::Failed;
    }
    if (static_cast<std::size_t>(status.st_size) > maxBytes) {
        failWithErrno(reason, EFBIG);
        return ReadStatus::Failed;
    }
    bytes.reserve(static_cast<std::size_t>(status.st_size));
    return readAll(file.get(), bytes, maxBytes, reason) ? ReadStatus::Read : ReadStatus::Failed;
}

void syncParentDirectory(const std::string& path)
{
    const Descriptor handle(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.get() >= 0) {
        ::fsync(handle.get());
    }
}

std::optional<std::string> fileBehind(const std::string& path, std::string* reason)
{
    // As many links as the system itself follows in one path.
    constexpr int kMaxLinks = 40;
    fs::path current(path);
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        struct stat status { };
        if (::lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            return current.string();
        }
        // Anyone who may write to a folder can put a link there: followed, it
        // would have the program write wherever that person chose.
        if (status.st_uid != ::geteuid()) {
            fail(reason, "a link another user owns: " + current.string());
            return std::nullopt;
        }
        std::error_code error;
        const fs::path target = fs::read_symlink(current, error);
        if (error) {
            fail(reason, error.message());
            return std::nullopt;
        }
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    fail(reason, systemReason(ELOOP));
    return std::nullopt;
}

std::string fileNamePart(std::string text)
{
    for (char& c : text) {
        if (c == '/' || static_cast<unsigned char>(c) < 0x20) {
            c = '_';
        }
    }
    return text;
}

std::string temporaryPrefixFor(const std::string& file, pid_t pid)
{
    return file + std::string(kTemporaryMark) + std::to_string(pid) + "-";
}

std::string temporaryPathFor(const std::string& file, pid_t pid, std::uint32_t random)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08x", random);
    return temporaryPrefixFor(file, pid) + digits + "-" + fileNamePart(thisComputerName());
}

bool replaceFileSafely(FileSink& sink, const std::string& path, std::string_view bytes, std::string* reason)
{
    const std::optional<std::string> file = fileBehind(path, reason);
    if (!file) {
        return false;
    }
    std::optional<struct stat> existing;
    if (!checkSaveTarget(*file, existing, reason)) {
        return false;
    }
    // The process id, a random part and the computer's name keep every writer
    // out of the others' way (two processes of one id in their own PID
    // namespaces, on one share, included), and tell whose file it is when one
    // was killed half-way. The sink creates it exclusively: a name that is
    // taken after all is never written over, another is drawn.
    std::string temporary;
    bool opened = false;
    for (int attempt = 0; attempt < 8 && !opened; ++attempt) {
        temporary = temporaryPathFor(*file, ::getpid(), randomPart());
        errno = 0;
        opened = sink.open(temporary);
        if (!opened && errno != EEXIST) {
            break;
        }
    }
    errno = opened ? 0 : errno;
    const bool written = opened && sink.write(bytes) && sink.commit();
    const int writeError = errno;
    if (!written) {
        sink.discard();
        if (opened) {
            ::unlink(temporary.c_str());
        }
        return failWithErrno(reason, writeError);
    }
    if (existing && !takeOverAttributes(temporary, *existing, reason)) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), file->c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temporary.c_str());
        return failWithErrno(reason, renameError);
    }
    syncParentDirectory(*file);
    return true;
}

bool copyFilePrivately(const std::string& from, const std::string& to, std::string* reason)
{
    const Descriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat status { };
    if (source.get() < 0) {
        return failWithErrno(reason, errno);
    }
    if (::fstat(source.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return fail(reason, "not a regular file");
    }
    Descriptor copy(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (copy.get() < 0) {
        return failWithErrno(reason, errno);
    }
    bool done = ::fchmod(copy.get(), 0600) == 0;
    char buffer[65536];
    while (done) {
        const ssize_t got = ::read(source.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            done = got == 0;
            break;
        }
        done = writeAll(copy.get(), std::string_view(buffer, static_cast<std::size_t>(got)));
    }
    done = done && ::fsync(copy.get()) == 0;
    const int error = errno;
    if (!copy.close() || !done) {
        ::unlink(to.c_str());
        return failWithErrno(reason, error);
    }
    syncParentDirectory(to);
    return true;
}

int removeStaleTempFiles(const std::string& folder)
{
    int removed = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder.empty() ? "." : folder, error)) {
        const std::string name = entry.path().filename().string();
        const std::optional<TemporaryWriter> writer = writerOf(name);
        struct stat status { };
        if (!writer || ::lstat(entry.path().c_str(), &status) != 0 || !S_ISREG(status.st_mode)
            || status.st_uid != ::geteuid()) {
            continue;
        }
        if (staleTemporary(*writer, status) && ::unlink(entry.path().c_str()) == 0) {
            ++removed;
        }
    }
    return removed;
}

std::vector<std::string> foldersOthersMayWrite(const std::string& path)
{
    std::vector<std::string> folders{folderOf(path)};
    if (const std::optional<std::string> file = fileBehind(path)) {
        folders.push_back(folderOf(*file));
    }
    std::vector<std::string> open;
    std::vector<std::pair<dev_t, ino_t>> seen;
    for (const std::string& folder : folders) {
        struct stat status { };
        if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)
            || std::ranges::find(seen, std::pair(status.st_dev, status.st_ino)) != seen.end()) {
            continue;
        }
        seen.emplace_back(status.st_dev, status.st_ino);
        if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
            open.push_back(folder);
        }
    }
    return open;
}

bool createPrivateFolders(const std::string& folder)
{
    fs::path partial;
    for (const fs::path& part : fs::path(folder)) {
        partial /= part;
        if (part.empty() || part == "/") {
            continue;
        }
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    struct stat status { };
    return ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool appendToFile(const std::string& path, std::string_view bytes, std::string* reason)
{
    const std::optional<std::string> file = fileBehind(path, reason);
    if (!file) {
        return false;
    }
    // Non-blocking, so that a named pipe at the path cannot hold the program;
    // never through a link put in the place of the file just looked at.
    Descriptor handle(::open(
        file->c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW, 0600));
    if (handle.get() < 0) {
        return failWithErrno(reason, errno);
    }
    struct stat status { };
    if (::fstat(handle.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return fail(reason, systemReason(EINVAL));
    }
    if (!writeAll(handle.get(), bytes)) {
        return failWithErrno(reason, errno);
    }
    if (!handle.close()) {
        return failWithErrno(reason, errno);
    }
    return true;
}

} // namespace kvx
