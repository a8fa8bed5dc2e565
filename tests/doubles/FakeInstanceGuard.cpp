#include "doubles/FakeInstanceGuard.h"

namespace kvx {

bool FakeInstanceGuard::anotherCopyRunning()
{
    ++m_asks;
    if (!m_answers.empty()) {
        m_last = m_answers.front();
        m_answers.pop_front();
    }
    return m_last;
}

} // namespace kvx
