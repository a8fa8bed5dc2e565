#pragma once

#include "platform/Dialogs.h"

#include <deque>
#include <vector>

namespace kvx {

// Test double of the dialogs: answers from a script (cancel when the script is
// empty) and records what each dialog was asked with.
class FakeDialogs final : public Dialogs {
public:
    std::optional<QColor> color(const QColor& preset, QWidget* parent) override;
    std::optional<QFont> font(const QFont& preset, QWidget* parent) override;
    std::optional<QString> openFile(const FileRequest& request, QWidget* parent) override;

    void queueColor(std::optional<QColor> answer) { m_colors.push_back(answer); }
    void queueFont(std::optional<QFont> answer) { m_fonts.push_back(std::move(answer)); }
    void queueFile(std::optional<QString> answer) { m_files.push_back(std::move(answer)); }

    const std::vector<QColor>& colorPresets() const { return m_colorPresets; }
    const std::vector<QFont>& fontPresets() const { return m_fontPresets; }
    const std::vector<FileRequest>& fileRequests() const { return m_fileRequests; }

private:
    std::deque<std::optional<QColor>> m_colors;
    std::deque<std::optional<QFont>> m_fonts;
    std::deque<std::optional<QString>> m_files;
    std::vector<QColor> m_colorPresets;
    std::vector<QFont> m_fontPresets;
    std::vector<FileRequest> m_fileRequests;
};

} // namespace kvx
