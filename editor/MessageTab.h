#pragma once

#include <QWidget>

#include "schedule/EditorDraft.h"

#include <QFont>

#include <cstdint>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

namespace kvx {

class Dialogs;
class SwatchGroup;

// The tab "表示メッセージ" (`Frame3`): the message with its preview, font and
// colours, the pre-alarm, blinking, and the past-time warning option.
class MessageTab : public QWidget {
    Q_OBJECT

public:
    explicit MessageTab(Dialogs& dialogs, QWidget* parent = nullptr);

    void readInto(EditorDraft& draft) const;
    void load(const EditorDraft& draft);
    void setMessage(const QString& text);
    bool warnPastTime() const;
    void setWarnPastTime(bool warn);
    QWidget* focusTarget(DraftField field) const;
    QTextEdit* preview() const { return m_preview; }

signals:
    void messageEdited(const QString& text);
    void previewRequested();

private:
    QWidget* buildColours();
    QWidget* buildBells();
    void paintPreview();
    void chooseCustom(bool text);
    void chooseFont();
    void enableDependents();

    Dialogs& m_dialogs;
    QCheckBox* m_warnPast;
    QLineEdit* m_message;
    QTextEdit* m_preview;
    QPushButton* m_fontButton;
    SwatchGroup* m_textSwatches;
    SwatchGroup* m_backSwatches;
    QCheckBox* m_preAlarm;
    QLineEdit* m_preMinutes;
    QLabel* m_preUnit;
    QCheckBox* m_mainToo;
    QCheckBox* m_blink;
    QLineEdit* m_blinkCount;
    QLabel* m_blinkUnit;
    QCheckBox* m_keepWindow;
    QPushButton* m_previewButton;
    QFont m_font;
    std::int32_t m_textColor = 0;
    std::int32_t m_backColor = 0;
};

} // namespace kvx
