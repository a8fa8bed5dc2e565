#include "editor/EditorDataFile.h"

#include "editor/EditorForm.h"
#include "editor/RoutineTab.h"
#include "editor/ScreenTab.h"
#include "resident/SoundController.h"
#include "ui/SaveProblem.h"

namespace kvx {

namespace {

constexpr const char* kUnstorablePathMessage
    = "データファイルパスに、設定ファイルに保存できない文字が含まれています";

} // namespace

EditorDataFile::EditorDataFile(EditorContext& context, EditorForm& form, QWidget& window)
    : m_context(context)
    , m_form(form)
    , m_window(window)
{
}

void EditorDataFile::reload(AlarmStore::Memos memos)
{
    m_context.store.load(loadContext(), memos);
    showLoaded();
}

LoadContext EditorDataFile::loadContext() const
{
    LoadContext context;
    context.legacyMidiVolume = static_cast<std::int32_t>(m_context.sound.savedMidiVolume());
    context.legacyWaveVolume = static_cast<std::int32_t>(m_context.sound.savedWaveVolume());
    context.now = m_context.clock.nowOle();
    return context;
}

void EditorDataFile::showLoaded()
{
    m_form.routine()->load(m_context.store.tables().routines, m_context.clock.nowOle().day());
    m_form.screen()->showDataPath(QString::fromStdString(m_context.settings.dataPath()));
}

bool EditorDataFile::switchTo(const QString& path)
{
    RoutineList routines = m_context.store.tables().routines;
    m_form.routine()->storeInto(routines);
    const QString current = QString::fromStdString(m_context.settings.dataPath());
    const AlarmStore::Switch result
        = m_context.store.switchDataFile(path.toStdString(), routines, loadContext());
    switch (result.outcome) {
    case AlarmStore::Switch::Outcome::Same:
        return true;
    case AlarmStore::Switch::Outcome::Unstorable:
        m_context.prompter.message(QString::fromUtf8(kUnstorablePathMessage), &m_window);
        break;
    case AlarmStore::Switch::Outcome::SaveFailed:
        m_context.prompter.message(
            saveFailureText(result.saved, m_context.store.dataFile(), m_context.settings), &m_window);
        break;
    case AlarmStore::Switch::Outcome::Switched:
        m_context.view.editorSelectedAlarm = -1;
        showLoaded();
        return true;
    }
    m_form.screen()->showDataPath(current);
    return false;
}

} // namespace kvx
