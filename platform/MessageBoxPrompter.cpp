#include "platform/Prompter.h"

#include <QMessageBox>

namespace kvx {

namespace {

const QString kTitle = QStringLiteral("Kalvendorix");

} // namespace

MessageBoxPrompter::~MessageBoxPrompter()
{
    for (const QPointer<QMessageBox>& box : m_notices) {
        delete box.data();
    }
}

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

void MessageBoxPrompter::notice(const QString& text)
{
    std::erase_if(m_notices, [](const QPointer<QMessageBox>& box) { return box.isNull(); });
    auto* box = new QMessageBox(QMessageBox::Warning, kTitle, text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    m_notices.emplace_back(box);
    box->show();
}

} // namespace kvx
