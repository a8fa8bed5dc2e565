#pragma once

#include "platform/Prompter.h"

#include <QStringList>

#include <deque>

namespace kvx {

// Test double of the message boxes: records every text and answers questions
// from a script (then with the default answer, OK unless set otherwise).
class FakePrompter final : public Prompter {
public:
    void message(const QString& text, QWidget* parent = nullptr) override;
    bool question(const QString& text, QWidget* parent = nullptr) override;
    // Recorded among the messages: the tests read what was told, not how.
    void notice(const QString& text) override { message(text); }

    void queueAnswer(bool ok) { m_answers.push_back(ok); }
    void setDefaultAnswer(bool ok) { m_defaultAnswer = ok; }

    // Messages and questions, in the order they were shown.
    const QStringList& shown() const { return m_shown; }
    const QStringList& messages() const { return m_messages; }
    const QStringList& questions() const { return m_questions; }
    void clear();

private:
    std::deque<bool> m_answers;
    bool m_defaultAnswer = true;
    QStringList m_shown;
    QStringList m_messages;
    QStringList m_questions;
};

} // namespace kvx
