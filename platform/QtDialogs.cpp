#include "platform/Dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>

namespace kvx {

std::optional<QColor> QtDialogs::color(const QColor& preset, QWidget* parent)
{
    const QColor chosen = QColorDialog::getColor(preset, parent);
    if (!chosen.isValid()) {
        return std::nullopt;
    }
    return chosen;
}

std::optional<QFont> QtDialogs::font(const QFont& preset, QWidget* parent)
{
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, preset, parent);
    if (!ok) {
        return std::nullopt;
    }
    return chosen;
}

std::optional<QString> QtDialogs::openFile(const FileRequest& request, QWidget* parent)
{
    QFileDialog dialog(parent, request.title, request.startFolder);
    dialog.setNameFilters(request.filters);
    if (!request.filters.isEmpty()) {
        dialog.selectNameFilter(request.filters.front());
    }
    dialog.setFileMode(request.mayCreate ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (request.folder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
    }
    if (!request.defaultSuffix.isEmpty()) {
        dialog.setDefaultSuffix(request.defaultSuffix);
    }
    if (!request.presetName.isEmpty()) {
        dialog.selectFile(request.presetName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front();
}

} // namespace kvx
