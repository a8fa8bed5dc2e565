#pragma once

#include "core/FileSink.h"

#include <sys/types.h>

namespace kvx {

// Writes files with the POSIX calls, so that a commit can reach the disk.
class PosixFileSink final : public FileSink {
public:
    PosixFileSink() = default;
    // Files it opens get exactly `mode`, whatever the process's umask; by
    // default they are readable and writable by their owner only.
    explicit PosixFileSink(mode_t mode)
        : m_mode(mode)
    {
    }
    ~PosixFileSink() override;
    PosixFileSink(const PosixFileSink&) = delete;
    PosixFileSink& operator=(const PosixFileSink&) = delete;

    bool open(const std::string& path) override;
    bool write(std::string_view bytes) override;
    bool commit() override;
    void discard() override;

private:
    int m_fd = -1;
    mode_t m_mode = 0600;
};

} // namespace kvx
