#pragma once

#include <QPointer>
#include <QString>

#include <vector>

class QMessageBox;
class QWidget;

namespace kvx {

// Message boxes: every message has a warning icon; a question offers OK and
// Cancel, and only OK lets the action go ahead.
class Prompter {
public:
    virtual ~Prompter() = default;
    virtual void message(const QString& text, QWidget* parent = nullptr) = 0;
    virtual bool question(const QString& text, QWidget* parent = nullptr) = 0;
    // A message that waits for nobody: the program goes on (rings its alarms,
    // answers its commands) while it is on the screen.
    virtual void notice(const QString& text) = 0;
};

class MessageBoxPrompter final : public Prompter {
public:
    MessageBoxPrompter() = default;
    ~MessageBoxPrompter() override;
    MessageBoxPrompter(const MessageBoxPrompter&) = delete;
    MessageBoxPrompter& operator=(const MessageBoxPrompter&) = delete;

    void message(const QString& text, QWidget* parent) override;
    bool question(const QString& text, QWidget* parent) override;
    void notice(const QString& text) override;

private:
    // Notices still on the screen; each deletes itself when closed.
    std::vector<QPointer<QMessageBox>> m_notices;
};

} // namespace kvx
