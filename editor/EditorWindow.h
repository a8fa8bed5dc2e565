#pragma once

#include "editor/EditorContext.h"
#include "schedule/AlarmRows.h"
#include "schedule/DisplayOrder.h"
#include "schedule/EditorDraft.h"
#include "schedule/NewAlarm.h"
#include "schedule/Rota.h"

#include <QWidget>

#include <memory>
#include <vector>

class QComboBox;
class QListView;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace kvx {

class AlarmListModel;
class GeneralTab;
class LinkTab;
class MessageTab;
class NotificationWindow;
class RoutineTab;
class ScreenTab;
class SoundTab;
class TimetableView;

// The alarm editor `Form1`: the tabs of an alarm's fields on the left, the
// alarm list with its view switch, quick timer and buttons on the right. It
// works on the shared tables in place; "ＯＫ" makes the changes durable.
class EditorWindow : public QWidget {
    Q_OBJECT

public:
    enum Tab { kGeneralTab = 0, kMessageTab, kSoundTab, kRoutineTab, kScreenTab, kLinkTab };

    explicit EditorWindow(EditorContext context, QWidget* parent = nullptr);
    ~EditorWindow() override;

    // The open action: shows the window on top.
    void open();
    // The tables changed outside the editor (an alarm rang, a reload).
    void refreshList();

    // The window's operations, as its buttons run them.
    void addAlarm();
    void changeAlarm();
    void deleteAlarms();
    void resetFields();
    // A new alarm for the day the calendar chose: its list view, the fields
    // of the preparation, no alarm loaded.
    void startNewAlarm(const NewAlarmPreparation& preparation);
    // This alarm (none for -1) of the table loaded into the fields, with the
    // list in this view for the calendar's chosen day, on this tab.
    void openAlarm(EditorView view, int alarmIndex, Tab tab = kGeneralTab);
    void confirm();
    void addQuickTimer(int minutes);
    void dateClicked(const QDate& date);
    void loadSelectedAlarm();

    int selectedAlarm() const { return m_context.view.editorSelectedAlarm; }
    // The rota as the grid shows it, confirmed or not: what the day cells name.
    RotaDraft shownRota() const;
    EditorDraft draft() const;
    AlarmListModel* listModel() const { return m_model; }
    QListView* list() const { return m_list; }

signals:
    // "ＯＫ" wrote the files and reloaded them.
    void confirmed();
    // The tables were saved and then loaded from another data file.
    void dataFileSwitched();
    // The user closed the window with its close box (not the program).
    void closedByUser();
    // The alarm table in memory changed (an add, change, delete or reload):
    // the alarm tick looks at it from now on.
    void alarmsChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* buildListPane();
    void wireMirrors();
    void formLoad();
    void applyDefaults();
    void showNewAlarmFields(EditorDraft draft);
    void fillList();
    void selectRow(int row);
    void loadOnRowChange();
    std::vector<int> selectedRows() const;
    bool checkDraft(const EditorDraft& draft);
    bool pastTimeAccepted(const EditorDraft& draft);
    void store(int index, const EditorDraft& draft, bool change);
    void switchView(bool dayView);
    void showPreview();
    void browseSound();
    // The tables from the data file. The memos are the calendar window's
    // working lists and stay as they are, unless another file was switched to.
    enum class Memos { Keep, FromFile };
    void reloadData(Memos memos = Memos::Keep);
    bool switchDataFile(const QString& path);
    void warn(const QString& text);
    void redrawTimetable();
    void timetableScrolled();

    EditorContext m_context;
    QTabWidget* m_tabs;
    GeneralTab* m_general;
    MessageTab* m_message;
    SoundTab* m_sound;
    RoutineTab* m_routine;
    ScreenTab* m_screen;
    LinkTab* m_link;
    QRadioButton* m_allView;
    QRadioButton* m_dayView;
    QListView* m_list;
    AlarmListModel* m_model;
    QComboBox* m_quick;
    QPushButton* m_add;
    QPushButton* m_change;
    QPushButton* m_delete;
    QPushButton* m_ok;
    TimetableView* m_timetable;
    std::unique_ptr<NotificationWindow> m_preview;
    DisplayOrder m_order;
    std::vector<int> m_dayRowMap;
    bool m_formLoading = false;
    bool m_rowToLoad = false;
    int m_saveHook = 0;
};

} // namespace kvx
