#include "editor/LinkTab.h"

#include "schedule/EditorInput.h"
#include "ui/Controls.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kvx {

LinkTab::LinkTab(WindowSettings& window, QWidget* parent)
    : QWidget(parent)
    , m_window(window)
{
    setObjectName(QStringLiteral("LinkTab"));
    auto* column = new QVBoxLayout(this);

    auto* port = named(new QGroupBox(QStringLiteral("ポート番号")), "Frame8", QStringLiteral("ポート番号"));
    auto* portColumn = new QVBoxLayout(port);
    m_port = named(new QLineEdit, "Text16", QStringLiteral("ポート番号"));
    m_port->setFixedWidth(80);
    auto* hint = named(new QLabel(QStringLiteral("付箋紙ヌーラで使用しているポート番号を指定します")),
        "Label7", QStringLiteral("付箋紙ヌーラで使用しているポート番号を指定します"));
    hint->setWordWrap(true);
    portColumn->addWidget(m_port);
    portColumn->addWidget(hint);
    column->addWidget(port);

    auto* action
        = named(new QGroupBox(QStringLiteral("転送時の動作")), "Frame9", QStringLiteral("転送時の動作"));
    auto* actions = new QVBoxLayout(action);
    m_copyOnly
        = named(new QRadioButton(QStringLiteral("コピーのみ")), "Option11", QStringLiteral("コピーのみ"));
    m_copyAndPeel = named(
        new QRadioButton(QStringLiteral("コピーしてはがす")), "Option12", QStringLiteral("コピーしてはがす"));
    actions->addWidget(m_copyOnly);
    actions->addWidget(m_copyAndPeel);
    column->addWidget(action);
    column->addStretch();

    connect(m_port, &QLineEdit::textEdited, this, &LinkTab::portEdited);
    connect(m_copyOnly, &QRadioButton::clicked, this, [this] { m_window.copyAction = 1; });
    connect(m_copyAndPeel, &QRadioButton::clicked, this, [this] { m_window.copyAction = 2; });
}

void LinkTab::load()
{
    m_port->setText(QString::fromStdString(m_window.portNumber));
    (m_window.copyAction == 1 ? m_copyOnly : m_copyAndPeel)->setChecked(true);
}

void LinkTab::portEdited()
{
    const PortText cleaned = cleanPortNumber(m_port->text().toStdString());
    // Narrowing alone leaves the box as typed.
    if (cleaned.filtered.removed) {
        m_port->setText(QString::fromStdString(cleaned.filtered.text));
        m_port->end(false);
    }
    m_window.portNumber = m_port->text().toStdString();
    if (cleaned.tooLarge) {
        emit portRefused();
    }
}

} // namespace kvx
