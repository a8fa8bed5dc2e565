#pragma once

#include "core/FileSink.h"

namespace kvx {

// Writes files with the POSIX calls, so that a commit can reach the disk.
class PosixFileSink final : public FileSink {
public:
    PosixFileSink() = default;
    ~PosixFileSink() override;
    PosixFileSink(const PosixFileSink&) = delete;
    PosixFileSink& operator=(const PosixFileSink&) = delete;

    bool open(const std::string& path) override;
    bool write(std::string_view bytes) override;
    bool commit() override;
    void discard() override;

private:
    int m_fd = -1;
};

} // namespace kvx
