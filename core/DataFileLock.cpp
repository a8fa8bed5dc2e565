#include "core/DataFileLock.h"

#include "core/PosixFileSink.h"
#include "core/Settings.h"
#include "core/WholeFile.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kvx {

namespace {

constexpr std::size_t kMaxLockBytes = 4096;

bool processRuns(pid_t pid)
{
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

// An open-file-description lock: it belongs to the descriptor, not the
// process, so two stores of one process exclude each other as two computers do.
bool lockWholeFile(int fd, short type)
{
    struct flock lock { };
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

} // namespace

std::string thisComputerName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "localhost";
    }
    return name;
}

std::vector<DataFileLock::Holder> DataFileLock::take(const std::string& dataPath)
{
    release();
    const std::string computer = thisComputerName();
    const std::string folder = directoryOf(dataPath); // "" or ending in "/"
    const std::string prefix = dataPath.substr(folder.size()) + ".lock-";
    std::vector<Holder> others;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(
        ::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
    for (const dirent* entry = dir ? ::readdir(dir.get()) : nullptr; entry != nullptr;
         entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(prefix)) {
            continue;
        }
        const std::string path = folder + std::string(name);
        std::string bytes;
        if (readWholeFile(path, bytes, kMaxLockBytes) != ReadStatus::Read) {
            continue;
        }
        // "<computer>\n<pid>\n"
        const std::size_t end = bytes.find('\n');
        if (end == std::string::npos || end == 0) {
            continue;
        }
        Holder holder{bytes.substr(0, end), static_cast<pid_t>(std::atol(bytes.c_str() + end + 1))};
        if (holder.computer == computer && !processRuns(holder.pid)) {
            ::unlink(path.c_str()); // left by a process of this computer that ended without its exit
            continue;
        }
        if (holder.computer != computer || holder.pid != ::getpid()) {
            others.push_back(std::move(holder));
        }
    }
    const std::string path = folder + prefix + fileNamePart(computer) + "-" + std::to_string(::getpid());
    PosixFileSink sink;
    if (replaceFileSafely(sink, path, computer + "\n" + std::to_string(::getpid()) + "\n")) {
        m_path = path;
    }
    return others;
}

SaveLock::SaveLock(const std::string& dataPath, std::chrono::milliseconds bound, Mode mode)
{
    const std::optional<std::string> file = fileBehind(dataPath);
    if (!file) {
        return;
    }
    const std::string path = lockPathFor(*file);
    const int access = mode == Mode::Save ? O_RDWR | O_CREAT : O_RDONLY;
    m_fd = ::open(path.c_str(), access | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0600);
    struct stat status { };
    if (m_fd >= 0 && (::fstat(m_fd, &status) != 0 || !S_ISREG(status.st_mode))) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_fd < 0) {
        return;
    }
    // Whoever may replace the data file (a group sharing it) must be able to lock it.
    struct stat data { };
    const mode_t wanted = ::stat(file->c_str(), &data) == 0 ? (data.st_mode & 0660) | 0600 : 0600;
    if (mode == Mode::Save && status.st_uid == ::geteuid() && (status.st_mode & 07777) != wanted) {
        [[maybe_unused]] const int ignored = ::fchmod(m_fd, wanted);
    }
    // A writer on another computer may hold it a while, never for long: a
    // few quick looks, then a look every 20 ms until the bound.
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (int attempt = 0;; ++attempt) {
        if (lockWholeFile(m_fd, mode == Mode::Save ? F_WRLCK : F_RDLCK)) {
            m_state = State::Held;
            if (mode == Mode::Read) {
                return;
            }
            const std::string name = thisComputerName() + "\n" + std::to_string(::getpid()) + "\n";
            if (::ftruncate(m_fd, 0) == 0) {
                [[maybe_unused]] const ssize_t written = ::pwrite(m_fd, name.data(), name.size(), 0);
            }
            return;
        }
        if (errno != EAGAIN && errno != EACCES && errno != EINTR) {
            ::close(m_fd);
            m_fd = -1;
            return; // a file system without locks
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(attempt < 5 ? 1 : 20));
    }
    m_state = State::Busy;
    char text[256] = {};
    const ssize_t got = ::pread(m_fd, text, sizeof text - 1, 0);
    const std::string_view content(text, got > 0 ? static_cast<std::size_t>(got) : 0);
    m_holder = std::string(content.substr(0, content.find('\n')));
    ::close(m_fd);
    m_fd = -1;
}

SaveLock::~SaveLock()
{
    if (m_fd >= 0) {
        ::close(m_fd); // the lock goes with the descriptor
    }
}

void DataFileLock::release()
{
    if (!m_path.empty()) {
        ::unlink(m_path.c_str());
        m_path.clear();
    }
}

} // namespace kvx
