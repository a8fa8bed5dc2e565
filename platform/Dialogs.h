#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace kvx {

// The colour, font and file dialogs of the editor. Each answers nothing
// (std::nullopt) when the user cancels.
class Dialogs {
public:
    // What the file dialog offers: filters as "description (patterns)" pairs,
    // the first preselected, and the folder it opens in.
    struct FileRequest {
        QString title;
        QStringList filters;
        QString startFolder;
        QString presetName;
        QString defaultSuffix;
        // A name that does not exist yet may be chosen (the data file); else
        // the file must exist.
        bool mayCreate = false;
        // A file to write: the dialog's save mode, which asks before a file is replaced.
        bool save = false;
        // A folder rather than a file (filters do not apply).
        bool folder = false;
    };

    virtual ~Dialogs() = default;
    virtual std::optional<QColor> color(const QColor& preset, QWidget* parent) = 0;
    virtual std::optional<QFont> font(const QFont& preset, QWidget* parent) = 0;
    virtual std::optional<QString> openFile(const FileRequest& request, QWidget* parent) = 0;
};

// The toolkit's own dialogs.
class QtDialogs final : public Dialogs {
public:
    std::optional<QColor> color(const QColor& preset, QWidget* parent) override;
    std::optional<QFont> font(const QFont& preset, QWidget* parent) override;
    std::optional<QString> openFile(const FileRequest& request, QWidget* parent) override;
};

} // namespace kvx
