#include "resident/AboutBox.h"

#include "platform/DesktopServices.h"
#include "platform/Prompter.h"
#include "resident/Version.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace kvx {

namespace {

const QString kTitle = QStringLiteral("Kalvendorix");

QFrame* separator(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

AboutBox::AboutBox(Launcher& launcher, Prompter& prompter, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_launcher(launcher)
    , m_prompter(prompter)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(kTitle + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));
    setModal(false);

    auto* picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    auto* lblTitle = new QLabel(kTitle, this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont(QStringLiteral("ＭＳ Ｐゴシック"));
    titleFont.setPointSize(18);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    auto* lblVersion = new QLabel(QStringLiteral("ﾊﾞｰｼﾞｮﾝ ") + QString::fromLatin1(kVersionText), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    auto* lblDescription = new QLabel(
        QStringLiteral("通知領域に常駐し、アラームとスケジュールを知らせるカレンダー付き目覚まし時計です。"),
        this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);
    auto* cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    auto* cmdSysInfo = new QPushButton(QStringLiteral("ｼｽﾃﾑ情報(&S)..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(picIcon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(lblTitle, 0, 1);
    layout->addWidget(lblVersion, 1, 1);
    layout->addWidget(separator(this), 2, 0, 1, 3);
    layout->addWidget(lblDescription, 3, 0, 1, 3);
    layout->addWidget(separator(this), 4, 0, 1, 3);
    layout->addWidget(cmdOK, 5, 2);
    layout->addWidget(cmdSysInfo, 6, 2);
    layout->setColumnStretch(1, 1);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::close);
    connect(cmdSysInfo, &QPushButton::clicked, this, &AboutBox::startSystemInformation);
}

void AboutBox::startSystemInformation()
{
    if (!m_launcher.startSystemInformation()) {
        m_prompter.message(QStringLiteral("現時点ではｼｽﾃﾑ情報を使用できません"), this);
    }
}

} // namespace kvx
