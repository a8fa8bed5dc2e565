#include "doubles/FakeDialogs.h"

namespace kvx {

namespace {

template <class T> std::optional<T> next(std::deque<std::optional<T>>& script)
{
    if (script.empty()) {
        return std::nullopt;
    }
    // Taken apart, not moved whole: GCC's optimiser takes a moved optional<QString>
    // for one that may be uninitialised.
    const bool answered = script.front().has_value();
    T answer = answered ? *script.front() : T();
    script.pop_front();
    return answered ? std::optional<T>(std::move(answer)) : std::nullopt;
}

} // namespace

std::optional<QColor> FakeDialogs::color(const QColor& preset, QWidget*)
{
    m_colorPresets.push_back(preset);
    return next(m_colors);
}

std::optional<QFont> FakeDialogs::font(const QFont& preset, QWidget*)
{
    m_fontPresets.push_back(preset);
    return next(m_fonts);
}

std::optional<QString> FakeDialogs::openFile(const FileRequest& request, QWidget*)
{
    m_fileRequests.push_back(request);
    return next(m_files);
}

} // namespace kvx
