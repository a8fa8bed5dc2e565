#pragma once

#include "core/FileSink.h"
#include "core/Records.h"
#include "ical/CalendarFolder.h"

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kvx {

// The store's side of a calendar folder: the base this computer keeps of it
// (read once, written when it changes) and what is to be told, each thing once.
class CalendarFolderLink {
public:
    explicit CalendarFolderLink(FileSink& sink);

    // $XDG_STATE_HOME/Kalvendorix by default.
    void setStateFolder(std::string folder) { m_stateFolder = std::move(folder); }
    // The fields of an alarm that an event of another program does not give.
    void setBlank(std::function<AlarmRecord()> blank) { m_blank = std::move(blank); }

    // The three-way merge of the table (`ids[i]` alarm i's identity) with
    // `folder`, synced with the data file at `dataPath`; nothing when the
    // folder is off or cannot be used (told).
    std::optional<FolderSync> merge(const std::string& folder, const std::string& dataPath,
        const AlarmTable& alarms, const std::vector<std::string>& ids);
    // The folder's part of `sync`, and the base after it.
    void write(FolderSync& sync);
    // Takes back the base of the identities the table could not take.
    void notTaken(FolderSync& sync, const std::set<std::string>& uids);

    // What is to be told since the last call, one line each.
    std::vector<std::string> takeNews();

private:
    void tell(const std::string& key, const std::string& text);

    FileSink& m_sink;
    std::string m_stateFolder;
    std::function<AlarmRecord()> m_blank;
    std::string m_folder;
    std::string m_basePath;
    FolderBase m_base;
    std::string m_written; // the base's bytes as last read or written
    std::set<std::string> m_told;
    std::vector<std::string> m_news;
};

// $XDG_STATE_HOME/Kalvendorix, by default $HOME/.local/state/Kalvendorix.
std::string defaultStateFolder();

} // namespace kvx
