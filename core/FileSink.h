#pragma once

#include <string>
#include <string_view>

namespace kvx {

// Where a save writes a new file. The program writes to the file system; tests
// put a sink in its place that fails part-way.
class FileSink {
public:
    virtual ~FileSink() = default;

    // Creates `path`, replacing a file of that name, and opens it for writing.
    virtual bool open(const std::string& path) = 0;
    virtual bool write(std::string_view bytes) = 0;
    // Flushes what was written to the disk and closes the file.
    virtual bool commit() = 0;
    // Closes the file after a failure. Removing it is the caller's business.
    virtual void discard() = 0;
};

} // namespace kvx
