#include "calendar/MemoEditor.h"

#include "ui/Controls.h"
#include "ui/Twips.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace kvx {

MemoEditor::MemoEditor(
    const QString& caption, QPersistentModelIndex memo, const QString& text, QWidget* parent)
    : QDialog(parent)
    , m_memo(std::move(memo))
{
    setObjectName(QStringLiteral("Form6"));
    setAccessibleName(QStringLiteral("メモの編集"));
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    m_text = named(new QLineEdit(text, this), "Text1", QStringLiteral("メモの内容"));
    m_text->setMinimumWidth(px(4800));
    m_text->selectAll();
    auto* ok = named(new QPushButton(QStringLiteral("OK"), this), "Command1", QStringLiteral("OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* row = new QHBoxLayout(this);
    row->addWidget(m_text, 1);
    row->addWidget(ok);
}

void MemoEditor::done(int result)
{
    if (!m_confirmed) {
        m_confirmed = true;
        emit confirmed(m_memo, m_text->text());
    }
    QDialog::done(result);
}

} // namespace kvx
