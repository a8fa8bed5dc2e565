#pragma once

#include <QWidget>

#ifndef Q_MOC_RUN
#include "editor/EditorContext.h"
#include "editor/EditorDataFile.h"
#include "editor/EditorForm.h"
#include "schedule/EditorDraft.h"
#include "schedule/NewAlarm.h"
#include "schedule/Rota.h"
#endif

#include <memory>
#include <vector>

class QListView;

namespace kvx {

class AlarmListModel;
class EditorListPane;
class TimetableView;

// The alarm editor `Form1`: its fields on the left (EditorForm), the alarm list
// with its view switch, quick timer and buttons on the right (EditorListPane),
// the timetable below. Its operations go to the store; its list and timetable
// follow the store's tables. "ＯＫ" makes the changes durable.
class EditorWindow : public QWidget {
    Q_OBJECT

public:
    using Tab = EditorForm::Tab;
    static constexpr Tab kGeneralTab = EditorForm::kGeneralTab;
    static constexpr Tab kMessageTab = EditorForm::kMessageTab;
    static constexpr Tab kSoundTab = EditorForm::kSoundTab;
    static constexpr Tab kRoutineTab = EditorForm::kRoutineTab;
    static constexpr Tab kScreenTab = EditorForm::kScreenTab;
    static constexpr Tab kLinkTab = EditorForm::kLinkTab;

    explicit EditorWindow(EditorContext context, QWidget* parent = nullptr);
    ~EditorWindow() override;

    // The open action: shows the window on top.
    void open();

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
    // The record a quick timer of `minutes` gets from the fields as they stand.
    AlarmRecord quickTimerFromFields(int minutes) const;

    // The computer cannot be woken: the option goes off and says why.
    void refuseWakeUp(const QString& why);
    int selectedAlarm() const { return m_context.view.editorSelectedAlarm; }
    // The rota as the grid shows it, confirmed or not: what the day cells name.
    RotaDraft shownRota() const;
    EditorDraft draft() const { return m_form->draft(); }
    AlarmListModel* listModel() const;
    QListView* list() const;

signals:
    // "ＯＫ" wrote the files.
    void confirmed();
    // The user closed the window with its close box (not the program).
    void closedByUser();
    // The sound devices were never chosen: the chooser comes up over `parent`.
    void soundDevicesNeeded(QWidget* parent);
    void soundDevicesChosen(const QString& midiDevice, const QString& waveDevice);
    // A position option moves the calendar window to this "FORMFLAG" place.
    void calendarPlacementChosen(const QString& formFlag);
    // Waking a sleeping computer for the bells was switched on or off.
    void wakeUpChosen(bool on);
    // The preview window was closed: a ringing alarm stops.
    void previewClosed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void wireForm();
    void formLoad();
    void applyDefaults();
    void showNewAlarmFields(EditorDraft draft);
    void refreshList();
    void fillList();
    void loadOnRowChange();
    std::vector<EditorRow> listRows();
    std::int16_t listMode() const;
    void switchView(bool dayView);
    void focusList();
    void warn(const QString& text);
    void redrawTimetable();
    void timetableScrolled();

    EditorContext m_context;
    EditorForm* m_form;
    EditorListPane* m_listPane;
    TimetableView* m_timetable;
    EditorDataFile m_dataFile;
    std::vector<int> m_dayRowMap;
    bool m_formLoading = false;
    bool m_rowToLoad = false;
    int m_saveHook = 0;
};

} // namespace kvx
