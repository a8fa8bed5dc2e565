#include "editor/ScreenTab.h"

#include "core/Settings.h"
#include "platform/AppIcons.h"
#include "platform/Dialogs.h"
#include "ui/Controls.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kvx {

ScreenTab::ScreenTab(WindowSettings& window, Dialogs& dialogs, std::string programDirectory, QWidget* parent)
    : QWidget(parent)
    , m_window(window)
    , m_dialogs(dialogs)
    , m_programDirectory(std::move(programDirectory))
{
    setObjectName(QStringLiteral("ScreenTab"));
    auto* column = new QVBoxLayout(this);

    auto* position = named(new QGroupBox(QStringLiteral("メインフォームの位置")), "Frame6",
        QStringLiteral("メインフォームの位置"));
    auto* positions = new QVBoxLayout(position);
    m_centre = named(new QRadioButton(QStringLiteral("画面中央")), "Option8", QStringLiteral("画面中央"));
    m_topLeft = named(new QRadioButton(QStringLiteral("画面左上")), "Option9", QStringLiteral("画面左上"));
    m_topRight = named(new QRadioButton(QStringLiteral("画面右上")), "Option10", QStringLiteral("画面右上"));
    for (QRadioButton* option : {m_centre, m_topLeft, m_topRight}) {
        positions->addWidget(option);
    }
    column->addWidget(position);

    auto* other = named(new QGroupBox(QStringLiteral("その他")), "Frame7", QStringLiteral("その他"));
    auto* otherColumn = new QVBoxLayout(other);
    m_editorFirst = named(new QCheckBox(QStringLiteral("Tollbeck画面モードにする")), "Check30",
        QStringLiteral("Tollbeck画面モードにする"));
    otherColumn->addWidget(m_editorFirst);
    m_desktopNotify = named(new QCheckBox(QStringLiteral("デスクトップにも通知する")), "Check31",
        QStringLiteral("デスクトップにも通知する"));
    otherColumn->addWidget(m_desktopNotify);
    m_wakeUp = named(new QCheckBox(QStringLiteral("スリープ中でもアラームの時刻にパソコンを起こす")),
        "Check32", QStringLiteral("スリープ中でもアラームの時刻にパソコンを起こす"));
    otherColumn->addWidget(m_wakeUp);
    m_wakeUpWhy = named(new QLabel, "Label32", QStringLiteral("スリープから起こせない理由"));
    m_wakeUpWhy->setWordWrap(true);
    m_wakeUpWhy->hide();
    otherColumn->addWidget(m_wakeUpWhy);
    // The folder a calendar sync tool (vdirsyncer) keeps in step with phones and servers.
    auto* folderLabel = new QLabel(QStringLiteral("カレンダーフォルダー"));
    otherColumn->addWidget(folderLabel);
    auto* folderRow = new QHBoxLayout;
    m_calendarFolder = named(new QLineEdit, "CalendarFolderText", QStringLiteral("カレンダーフォルダー"));
    m_calendarFolder->setPlaceholderText(QStringLiteral("使わない"));
    m_calendarFolder->setClearButtonEnabled(true);
    folderLabel->setBuddy(m_calendarFolder);
    auto* folderBrowse = named(new QPushButton(QStringLiteral("参照...")), "CalendarFolderBrowse",
        QStringLiteral("カレンダーフォルダーを選ぶ"));
    folderRow->addWidget(m_calendarFolder, 1);
    folderRow->addWidget(folderBrowse);
    otherColumn->addLayout(folderRow);
    column->addWidget(other);

    auto* file = named(
        new QGroupBox(QStringLiteral("データファイルパス")), "Frame10", QStringLiteral("データファイルパス"));
    auto* fileRow = new QHBoxLayout(file);
    m_path = named(new QLineEdit, "Text17", QStringLiteral("データファイルパス"));
    m_browse = named(new QPushButton, "Command15", QStringLiteral("データファイルを開く"));
    m_browse->setIcon(buttonIcon(QStringLiteral("OPEN")));
    m_browse->setToolTip(QStringLiteral("データファイルを開く"));
    fileRow->addWidget(m_path, 1);
    fileRow->addWidget(m_browse);
    column->addWidget(file);
    column->addStretch();

    connect(m_centre, &QRadioButton::clicked, this, [this] { choosePosition("1"); });
    connect(m_topLeft, &QRadioButton::clicked, this, [this] { choosePosition("2"); });
    connect(m_topRight, &QRadioButton::clicked, this, [this] { choosePosition("3"); });
    connect(m_editorFirst, &QCheckBox::toggled, this,
        [this](bool on) { m_window.editorFirst = static_cast<std::int16_t>(on ? 1 : 0); });
    connect(m_desktopNotify, &QCheckBox::toggled, this,
        [this](bool on) { m_window.desktopNotify = static_cast<std::int16_t>(on ? 1 : 0); });
    connect(m_wakeUp, &QCheckBox::toggled, this, [this](bool on) {
        m_window.wakeUp = static_cast<std::int16_t>(on ? 1 : 0);
        m_wakeUpWhy->hide();
        emit wakeUpToggled(on);
    });
    connect(m_calendarFolder, &QLineEdit::textChanged, this,
        [this](const QString& folder) { m_window.calendarFolder = folder.trimmed().toStdString(); });
    connect(folderBrowse, &QPushButton::clicked, this, &ScreenTab::browseCalendarFolder);
    connect(m_path, &QLineEdit::editingFinished, this, &ScreenTab::pathEntered);
    connect(m_browse, &QPushButton::clicked, this, &ScreenTab::browse);
}

void ScreenTab::load(const QString& dataPath)
{
    selectPosition(m_window.formPosition);
    const QSignalBlocker quiet(m_editorFirst);
    m_editorFirst->setChecked(m_window.editorFirst != 0);
    const QSignalBlocker quietNotify(m_desktopNotify);
    m_desktopNotify->setChecked(m_window.desktopNotify != 0);
    const QSignalBlocker quietWakeUp(m_wakeUp);
    m_wakeUp->setChecked(m_window.wakeUp != 0);
    const QSignalBlocker quietFolder(m_calendarFolder);
    m_calendarFolder->setText(QString::fromStdString(m_window.calendarFolder));
    showDataPath(dataPath);
}

void ScreenTab::browseCalendarFolder()
{
    Dialogs::FileRequest request;
    request.title = QStringLiteral("カレンダーフォルダー");
    request.folder = true;
    request.startFolder = m_calendarFolder->text().isEmpty() ? QString::fromStdString(m_programDirectory)
                                                             : m_calendarFolder->text();
    if (const std::optional<QString> chosen = m_dialogs.openFile(request, this)) {
        m_calendarFolder->setText(QDir::cleanPath(*chosen));
    }
}

void ScreenTab::refuseWakeUp(const QString& why)
{
    const QSignalBlocker quiet(m_wakeUp);
    m_wakeUp->setChecked(false);
    m_window.wakeUp = 0;
    m_wakeUpWhy->setText(why);
    m_wakeUpWhy->show();
}

std::string ScreenTab::formFlag() const
{
    if (m_centre->isChecked()) {
        return "1";
    }
    return m_topLeft->isChecked() ? "2" : "3";
}

void ScreenTab::selectPosition(const std::string& formFlag)
{
    QRadioButton* option = formFlag == "2" ? m_topLeft : formFlag == "3" ? m_topRight : m_centre;
    option->setChecked(true);
}

void ScreenTab::choosePosition(const std::string& formFlag)
{
    if (!m_remembered) {
        m_remembered = m_window.formPosition;
    }
    emit calendarPlacementChosen(QString::fromStdString(formFlag));
}

void ScreenTab::restorePosition()
{
    if (!m_remembered) {
        return;
    }
    emit calendarPlacementChosen(QString::fromStdString(*m_remembered));
    // The buttons go back too, so that a later save does not keep the choice.
    selectPosition(*m_remembered);
    m_remembered.reset();
}

std::optional<QString> ScreenTab::enteredDataPath() const
{
    const QString typed = m_path->text();
    // A path that names no file yet may be only a prefix of the intended one.
    if (typed == m_dataPath || !QFileInfo(typed).isFile()) {
        return std::nullopt;
    }
    return typed;
}

void ScreenTab::showDataPath(const QString& dataPath)
{
    m_dataPath = dataPath;
    if (m_path->text() != dataPath) {
        m_path->setText(dataPath);
    }
}

void ScreenTab::pathEntered()
{
    if (const std::optional<QString> typed = enteredDataPath()) {
        emit dataPathChosen(*typed);
    }
}

void ScreenTab::browse()
{
    Dialogs::FileRequest request;
    request.title = QStringLiteral("Fileを開く");
    request.filters = {QStringLiteral("データファイル (*.dat)"), QStringLiteral("すべてのファイル (*)")};
    request.startFolder
        = QString::fromStdString(initialDialogDirectory(m_programDirectory, m_path->text().toStdString()));
    request.presetName = QStringLiteral("Kalvendorix");
    request.defaultSuffix = QStringLiteral(".dat");
    request.mayCreate = true;
    const std::optional<QString> chosen = m_dialogs.openFile(request, this);
    if (!chosen) {
        return;
    }
    m_path->setText(*chosen);
    m_path->end(false);
    m_path->setFocus();
    if (*chosen != m_dataPath) {
        emit dataPathChosen(*chosen);
    }
}

} // namespace kvx
