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
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd >= 0 && m_mode && ::fchmod(m_fd, *m_mode) != 0) {
        discard();
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
