#pragma once

#include <QTabWidget>

#ifndef Q_MOC_RUN
#include "schedule/EditorDraft.h"
#endif

#include <memory>
#include <optional>
#include <string>

namespace kvx {

class Dialogs;
class GeneralTab;
class LinkTab;
class MessageTab;
class NotificationWindow;
class Prompter;
class RoutineTab;
class ScreenTab;
class SoundController;
class SoundTab;
struct AlarmDefaults;
struct WindowSettings;

// The editor's fields (`SSTab1`): one tab for each of "一般", "表示メッセージ",
// "サウンド", "定期予定", "画面設定" and "データ連携". The fields that two
// tabs show (the message, the sound and its file) follow each other. What
// concerns the fields alone stays here: the sound file's chooser, the preview
// of the notification window, and the warnings on a refused field.
class EditorForm : public QTabWidget {
    Q_OBJECT

public:
    enum Tab { kGeneralTab = 0, kMessageTab, kSoundTab, kRoutineTab, kScreenTab, kLinkTab };

    EditorForm(WindowSettings& window, Dialogs& dialogs, Prompter& prompter, SoundController& sound,
        const std::string& programDirectory, QWidget* parent = nullptr);
    ~EditorForm() override;

    GeneralTab* general() const { return m_general; }
    MessageTab* messageTab() const { return m_message; }
    SoundTab* soundTab() const { return m_sound; }
    RoutineTab* routine() const { return m_routine; }
    ScreenTab* screen() const { return m_screen; }
    LinkTab* link() const { return m_link; }

    // The fields of one alarm, from all three of their tabs.
    EditorDraft draft() const;
    void load(const EditorDraft& draft);
    void setSoundFile(const QString& file);
    // The tab of a refused field comes to the front, the field gets the focus.
    void focusField(DraftField field);
    // Whether the fields make an alarm: a refused field is told and focused,
    // a start already past asked about when the user wants to be asked.
    bool checkDraft(const EditorDraft& draft, OleDate now);
    // The fields as a record over `base` (a change keeps what the fields do
    // not show), or nothing when they are refused (told, the field focused).
    std::optional<AlarmRecord> checkedRecord(const AlarmRecord& base, bool changing, OleDate now);
    // A quick timer of `minutes` from now, with the fields' sound and look.
    AlarmRecord quickTimer(int minutes, OleDate now) const;
    // The fields of the alarm saved last are offered to the next new one.
    void remember(AlarmDefaults& defaults, int index, const AlarmRecord& record, const EditorDraft& draft,
        std::int16_t listMode) const;

signals:
    // The preview window's "OK" or close box: it stops a ringing alarm, as
    // the alarm's own window does.
    void previewClosed();

private:
    void mirrorEachOther();
    void wireFieldServices();
    void browseSound();
    void showPreview();
    void warn(const QString& text);

    Dialogs& m_dialogs;
    Prompter& m_prompter;
    std::string m_programDirectory;
    std::unique_ptr<NotificationWindow> m_preview;

    GeneralTab* m_general;
    MessageTab* m_message;
    SoundTab* m_sound;
    RoutineTab* m_routine;
    ScreenTab* m_screen;
    LinkTab* m_link;
};

} // namespace kvx
