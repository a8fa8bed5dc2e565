#include "core/WholeFile.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace kvx {

namespace {

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

private:
    int m_fd;
};

bool readAll(int fd, std::string& bytes, std::size_t maxBytes)
{
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
            return false;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

} // namespace

ReadStatus readWholeFile(const std::string& path, std::string& bytes, std::size_t maxBytes)
{
    bytes.clear();
    // Non-blocking, so that opening a named pipe does not wait for a writer.
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0) {
        return errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
    }
    struct stat status { };
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)
        || static_cast<std::size_t>(status.st_size) > maxBytes) {
        return ReadStatus::Failed;
    }
    bytes.reserve(static_cast<std::size_t>(status.st_size));
    return readAll(file.get(), bytes, maxBytes) ? ReadStatus::Read : ReadStatus::Failed;
}

void syncParentDirectory(const std::string& path)
{
    std::filesystem::path directory = std::filesystem::path(path).parent_path();
    if (directory.empty()) {
        directory = ".";
    }
    const Descriptor handle(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.get() >= 0) {
        ::fsync(handle.get());
    }
}

std::optional<std::string> fileBehind(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error)) {
        return path;
    }
    const std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
    if (error) {
        return std::nullopt;
    }
    return target.string();
}

bool replaceFileSafely(FileSink& sink, const std::string& path, std::string_view bytes)
{
    const std::optional<std::string> file = fileBehind(path);
    if (!file) {
        return false;
    }
    // The process id keeps two programs saving the same file out of each other's way.
    const std::string temporary = *file + ".tmp" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    const bool written = sink.open(temporary) && sink.write(bytes) && sink.commit();
    if (!written) {
        sink.discard();
    }
    if (!written || ::rename(temporary.c_str(), file->c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncParentDirectory(*file);
    return true;
}

} // namespace kvx
