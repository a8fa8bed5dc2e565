#include "editor/EditorForm.h"

#include "core/Settings.h"
#include "editor/GeneralTab.h"
#include "editor/LinkTab.h"
#include "editor/MessageTab.h"
#include "editor/RoutineTab.h"
#include "editor/ScreenTab.h"
#include "editor/SoundTab.h"
#include "platform/Dialogs.h"
#include "platform/Prompter.h"
#include "resident/NotificationWindow.h"
#include "schedule/EditorInput.h"
#include "ui/Controls.h"

namespace kvx {

EditorForm::EditorForm(WindowSettings& window, Dialogs& dialogs, Prompter& prompter, SoundController& sound,
    const std::string& programDirectory, QWidget* parent)
    : QTabWidget(parent)
    , m_dialogs(dialogs)
    , m_prompter(prompter)
    , m_programDirectory(programDirectory)
    , m_preview(std::make_unique<NotificationWindow>())
    , m_general(new GeneralTab)
    , m_message(new MessageTab(dialogs))
    , m_sound(new SoundTab(sound))
    , m_routine(new RoutineTab)
    , m_screen(new ScreenTab(window, dialogs, programDirectory))
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
    wireFieldServices();
}

EditorForm::~EditorForm() = default;

void EditorForm::mirrorEachOther()
{
    connect(m_general, &GeneralTab::messageEdited, m_message, &MessageTab::setMessage);
    connect(m_message, &MessageTab::messageEdited, m_general, &GeneralTab::setMessage);
    connect(m_general, &GeneralTab::soundToggled, m_sound, &SoundTab::setSound);
    connect(m_sound, &SoundTab::soundToggled, m_general, &GeneralTab::setSound);
    connect(m_general, &GeneralTab::soundFileEdited, m_sound, &SoundTab::setSoundFile);
    connect(m_sound, &SoundTab::soundFileEdited, m_general, &GeneralTab::setSoundFile);
}

void EditorForm::wireFieldServices()
{
    connect(m_general, &GeneralTab::browseSoundRequested, this, &EditorForm::browseSound);
    connect(m_sound, &SoundTab::browseSoundRequested, this, &EditorForm::browseSound);
    connect(m_general, &GeneralTab::previewRequested, this, &EditorForm::showPreview);
    connect(m_message, &MessageTab::previewRequested, this, &EditorForm::showPreview);
    connect(m_preview.get(), &NotificationWindow::stopRequested, this, &EditorForm::previewClosed);
    connect(m_sound, &SoundTab::testFileMissing, this,
        [this] { warn(QStringLiteral("指定されたファイルはありません")); });
    connect(m_general, &GeneralTab::dayOfMonthRefused, this, [this] {
        warn(QString::fromUtf8(kDayOfMonthMessage));
        focusField(DraftField::DayOfMonth);
    });
    connect(m_link, &LinkTab::portRefused, this, [this] { warn(QString::fromUtf8(kPortRangeMessage)); });
}

void EditorForm::browseSound()
{
    Dialogs::FileRequest request;
    request.title = QStringLiteral("Fileを開く");
    request.filters = {
        QStringLiteral("サウンドファイル (*.wav *.mp3 *.wma *.mid)"), QStringLiteral("すべてのファイル (*)")};
    request.startFolder
        = QString::fromStdString(initialDialogDirectory(m_programDirectory, draft().soundFile));
    if (const auto chosen = m_dialogs.openFile(request, window())) {
        setSoundFile(*chosen);
    }
}

void EditorForm::showPreview()
{
    const AlarmRecord record = recordFromDraft(draft(), {}, false);
    m_preview->showPreview(
        NotificationWindow::appearanceOf(record), QString::fromStdString(record.startTime.formatTime()));
}

std::optional<AlarmRecord> EditorForm::checkedRecord(const AlarmRecord& base, bool changing, OleDate now)
{
    const EditorDraft fields = draft();
    if (!checkDraft(fields, now)) {
        return std::nullopt;
    }
    return recordFromDraft(fields, base, changing);
}

AlarmRecord EditorForm::quickTimer(int minutes, OleDate now) const
{
    return quickTimerRecord(recordFromDraft(draft(), {}, false), now, minutes);
}

bool EditorForm::checkDraft(const EditorDraft& draft, OleDate now)
{
    if (const auto problem = firstProblem(draft)) {
        if (problem->field != DraftField::Digit) {
            warn(QString::fromStdString(problem->message));
            focusField(problem->field);
        }
        return false;
    }
    if (!asksPastTime(draft, now, m_message->warnPastTime())) {
        return true;
    }
    return m_prompter.question(QString::fromUtf8(kPastTimeQuestion), window());
}

void EditorForm::remember(AlarmDefaults& defaults, int index, const AlarmRecord& record,
    const EditorDraft& draft, std::int16_t listMode) const
{
    rememberDefaults(defaults, record, draft, listMode);
    defaults.warnPastTime = m_message->warnPastTime() ? 1 : 0;
    defaults.midiDevice = m_sound->midiDevice().toStdString();
    defaults.waveDevice = m_sound->waveDevice().toStdString();
    defaults.lastSavedIndex = static_cast<std::int16_t>(index);
}

void EditorForm::warn(const QString& text)
{
    m_prompter.message(text, window());
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
