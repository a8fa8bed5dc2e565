#include "core/DataFileLock.h"

#include "core/PosixFileSink.h"
#include "core/Settings.h"
#include "core/WholeFile.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <memory>
#include <string_view>
#include <unistd.h>

namespace kvx {

namespace {

constexpr std::size_t kMaxLockBytes = 4096;

bool processRuns(pid_t pid)
{
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
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

void DataFileLock::release()
{
    if (!m_path.empty()) {
        ::unlink(m_path.c_str());
        m_path.clear();
    }
}

} // namespace kvx
