#include "core/PosixFileSink.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvx {

PosixFileSink::~PosixFileSink()
{
    discard();
}

bool PosixFileSink::open(const std::string& path)
{
    discard();
    // A new file, never one or a link that someone else put in its place.
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, m_mode & 0600);
    if (m_fd >= 0 && ::fchmod(m_fd, m_mode) != 0) {
        const int error = errno;
        discard();
        errno = error;
    }
    return m_fd >= 0;
}

bool PosixFileSink::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(m_fd, bytes.data(), bytes.size());
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

bool PosixFileSink::commit()
{
    const bool synced = ::fsync(m_fd) == 0;
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    return synced && closed;
}

void PosixFileSink::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace kvx
