#include "editor/EditorForm.h"

#include "editor/GeneralTab.h"
#include "editor/LinkTab.h"
#include "editor/MessageTab.h"
#include "editor/RoutineTab.h"
#include "editor/ScreenTab.h"
#include "editor/SoundTab.h"
#include "ui/Controls.h"

namespace kvx {

EditorForm::EditorForm(WindowSettings& window, Dialogs& dialogs, SoundController& sound,
    std::string programDirectory, QWidget* parent)
    : QTabWidget(parent)
    , m_general(new GeneralTab)
    , m_message(new MessageTab(dialogs))
    , m_sound(new SoundTab(sound))
    , m_routine(new RoutineTab)
    , m_screen(new ScreenTab(window, dialogs, std::move(programDirectory)))
    , m_link(new LinkTab(window))
{
    named(this, "SSTab1", QStringLiteral("編集のタブ"));
    addTab(m_general, QStringLiteral("一般"));
    addTab(m_message, QStringLiteral("表示メッセージ"));
    addTab(m_sound, QStringLiteral("サウンド"));
    addTab(m_routine, QStringLiteral("定期予定"));
    addTab(m_screen, QStringLiteral("画面設定"));
    addTab(m_link, QStringLiteral("データ連携"));
    mirrorEachOther();
}

void EditorForm::mirrorEachOther()
{
    connect(m_general, &GeneralTab::messageEdited, m_message, &MessageTab::setMessage);
    connect(m_message, &MessageTab::messageEdited, m_general, &GeneralTab::setMessage);
    connect(m_general, &GeneralTab::soundToggled, m_sound, &SoundTab::setSound);
    connect(m_sound, &SoundTab::soundToggled, m_general, &GeneralTab::setSound);
    connect(m_general, &GeneralTab::soundFileEdited, m_sound, &SoundTab::setSoundFile);
    connect(m_sound, &SoundTab::soundFileEdited, m_general, &GeneralTab::setSoundFile);
}

EditorDraft EditorForm::draft() const
{
    EditorDraft draft;
    m_message->readInto(draft);
    m_sound->readInto(draft);
    m_general->readInto(draft);
    return draft;
}

void EditorForm::load(const EditorDraft& draft)
{
    m_general->load(draft);
    m_message->load(draft);
    m_sound->load(draft);
}

void EditorForm::setSoundFile(const QString& file)
{
    m_general->setSoundFile(file);
    m_sound->setSoundFile(file);
}

void EditorForm::focusField(DraftField field)
{
    QWidget* target = nullptr;
    switch (field) {
    case DraftField::PreMinutes:
    case DraftField::BlinkCount:
        target = m_message->focusTarget(field);
        setCurrentWidget(m_message);
        break;
    case DraftField::SoundFileCopy:
        target = m_sound->soundFileBox();
        setCurrentWidget(m_sound);
        break;
    default:
        target = m_general->focusTarget(field);
        setCurrentWidget(m_general);
        break;
    }
    if (target != nullptr) {
        target->setFocus();
    }
}

} // namespace kvx
