#include "platform/Prompter.h"

#include <QMessageBox>

namespace kvx {

namespace {

const QString kTitle = QStringLiteral("Kalvendorix");

} // namespace

void MessageBoxPrompter::message(const QString& text, QWidget* parent)
{
    QMessageBox box(QMessageBox::Warning, kTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

bool MessageBoxPrompter::question(const QString& text, QWidget* parent)
{
    QMessageBox box(QMessageBox::Warning, kTitle, text, QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

} // namespace kvx
