#pragma once

#include <QTabWidget>

#ifndef Q_MOC_RUN
#include "schedule/EditorDraft.h"
#endif

#include <string>

class QDate;

namespace kvx {

class Dialogs;
class GeneralTab;
class LinkTab;
class MessageTab;
class RoutineTab;
class ScreenTab;
class SoundController;
class SoundTab;
struct WindowSettings;

// The editor's fields (`SSTab1`): one tab for each of "一般", "表示メッセージ",
// "サウンド", "定期予定", "画面設定" and "データ連携". The fields that two
// tabs show (the message, the sound and its file) follow each other.
class EditorForm : public QTabWidget {
    Q_OBJECT

public:
    enum Tab { kGeneralTab = 0, kMessageTab, kSoundTab, kRoutineTab, kScreenTab, kLinkTab };

    EditorForm(WindowSettings& window, Dialogs& dialogs, SoundController& sound, std::string programDirectory,
        QWidget* parent = nullptr);

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

private:
    void mirrorEachOther();

    GeneralTab* m_general;
    MessageTab* m_message;
    SoundTab* m_sound;
    RoutineTab* m_routine;
    ScreenTab* m_screen;
    LinkTab* m_link;
};

} // namespace kvx
