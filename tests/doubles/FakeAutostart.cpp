#include "doubles/FakeAutostart.h"

namespace kvx {

bool FakeAutostart::registerEntry()
{
    if (m_registered) {
        return true;
    }
    if (!m_writable) {
        return false;
    }
    ++m_writes;
    m_registered = true;
    return true;
}

bool FakeAutostart::removeEntry()
{
    if (!m_registered) {
        return false;
    }
    ++m_removes;
    m_registered = false;
    return true;
}

} // namespace kvx
