#pragma once

#include "editor/EditorContext.h"

#include <QString>

namespace kvx {

class EditorForm;

// The data file behind the editor: loaded again (a discard), or another one
// switched to from the data path box, with the rota as typed going to the file
// in force first. Refusals are told over the editor.
class EditorDataFile {
public:
    EditorDataFile(EditorContext& context, EditorForm& form, QWidget& window);

    // The tables from the data file. The memos are the calendar window's working
    // lists and stay as they are, unless another file was switched to.
    void reload(AlarmStore::Memos memos);
    // False when the file was not switched to (told), the path box showing the file in force.
    bool switchTo(const QString& path);
    LoadContext loadContext() const;

private:
    void showLoaded();

    EditorContext& m_context;
    EditorForm& m_form;
    QWidget& m_window;
};

} // namespace kvx
