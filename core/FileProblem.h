#pragma once

#include <string>

namespace kvx {

// What went wrong with the last load or save of a file, for the user to be told.
struct FileProblem {
    enum class Kind {
        None,
        // The file could not be read or makes no sense; it stays as it is at
        // `path`, and the next save keeps it under another name first.
        Unreadable,
        // The file names a version of this program newer than this one; it
        // stays as it is at `path`, like an unreadable file.
        NewerVersion,
        // The file is nothing this program or its predecessor wrote; it stays
        // as it is at `path`, like an unreadable file.
        NotADataFile,
        // A file of an older version was converted in memory, but the copy of
        // its original at `path` could not be made: the file is not replaced
        // until a save can make that copy first. The load itself succeeded.
        CopyPending,
        // Nothing was written: the copy of the file a save would replace (the
        // original of a converted file, or an unreadable file) could not be
        // made at `path`. The file and the tables are unchanged.
        CopyFailed,
        // Nothing was written to `path`; the previous file there is unchanged.
        SaveFailed,
    };

    Kind kind = Kind::None;
    std::string path;
    // The system's reason (strerror text) or a short description.
    std::string reason;

    bool failed() const { return kind != Kind::None; }
};

} // namespace kvx
