#include "doubles/FakePrompter.h"

namespace kvx {

void FakePrompter::message(const QString& text, QWidget*)
{
    m_shown.append(text);
    m_messages.append(text);
}

bool FakePrompter::question(const QString& text, QWidget*)
{
    m_shown.append(text);
    m_questions.append(text);
    if (m_answers.empty()) {
        return m_defaultAnswer;
    }
    const bool answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

void FakePrompter::clear()
{
    m_answers.clear();
    m_shown.clear();
    m_messages.clear();
    m_questions.clear();
}

} // namespace kvx
