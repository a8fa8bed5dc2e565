#include "editor/MessageTab.h"

#include "core/DataFileCodec.h"
#include "editor/SwatchGroup.h"
#include "platform/Dialogs.h"
#include "schedule/EditorInput.h"
#include "ui/Controls.h"
#include "ui/WinColor.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextEdit>
#include <QVBoxLayout>

#include <cmath>

namespace kvx {

namespace {

QLineEdit* numberBox(const char* name, const QString& accessible)
{
    auto* box = named(new QLineEdit, name, accessible);
    box->setFixedWidth(56);
    return box;
}

void cleanNumber(QLineEdit* box, long long limit)
{
    const FilteredText cleaned = keepDigitsUpTo(box->text().toStdString(), limit);
    if (cleaned.removed) {
        box->setText(QString::fromStdString(cleaned.text));
        box->end(false);
    }
}

} // namespace

MessageTab::MessageTab(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("Frame3"));
    auto* column = new QVBoxLayout(this);
    m_warnPast = named(new QCheckBox(QStringLiteral("アラームの過去指定を警告する")), "Check26",
        QStringLiteral("アラームの過去指定を警告する"));
    column->addWidget(m_warnPast);
    auto* messageRow = new QHBoxLayout;
    messageRow->addWidget(new QLabel(QStringLiteral("メッセージ")));
    m_message = named(new QLineEdit, "Text8", QStringLiteral("メッセージ"));
    m_message->setMaxLength(static_cast<int>(kMaxTextBytes));
    messageRow->addWidget(m_message);
    column->addLayout(messageRow);
    m_preview = named(new QTextEdit, "Rich2", QStringLiteral("メッセージの見本"));
    m_preview->setReadOnly(true);
    m_preview->setFixedHeight(72);
    m_preview->setFocusPolicy(Qt::NoFocus);
    column->addWidget(m_preview);
    m_fontButton = named(new QPushButton(QStringLiteral("フォント")), "Command9", QStringLiteral("フォント"));
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(m_fontButton);
    fontRow->addStretch();
    column->addLayout(fontRow);
    column->addWidget(buildColours());
    column->addWidget(buildBells());
    column->addStretch();

    connect(m_message, &QLineEdit::textChanged, this, [this](const QString& text) {
        paintPreview();
        emit messageEdited(text);
    });
    connect(m_fontButton, &QPushButton::clicked, this, &MessageTab::chooseFont);
    m_font = QFont(QString::fromUtf8(kDefaultFontName), 12);
    paintPreview();
}

QWidget* MessageTab::buildColours()
{
    auto* pane = new QWidget;
    auto* column = new QVBoxLayout(pane);
    column->setContentsMargins(0, 0, 0, 0);
    m_textSwatches = new SwatchGroup(4, QStringLiteral("文字色"));
    m_backSwatches = new SwatchGroup(12, QStringLiteral("背景色"));
    column->addWidget(m_textSwatches);
    column->addWidget(m_backSwatches);
    connect(m_textSwatches, &SwatchGroup::swatchChosen, this, [this](std::int32_t colour) {
        m_textColor = colour;
        paintPreview();
    });
    connect(m_backSwatches, &SwatchGroup::swatchChosen, this, [this](std::int32_t colour) {
        m_backColor = colour;
        paintPreview();
    });
    connect(m_textSwatches, &SwatchGroup::customChosen, this, [this] { chooseCustom(true); });
    connect(m_backSwatches, &SwatchGroup::customChosen, this, [this] { chooseCustom(false); });
    return pane;
}

QWidget* MessageTab::buildBells()
{
    auto* pane = new QWidget;
    auto* grid = new QGridLayout(pane);
    grid->setContentsMargins(0, 0, 0, 0);
    m_preAlarm = named(new QCheckBox(QStringLiteral("予鈴する")), "Check20", QStringLiteral("予鈴する"));
    m_preMinutes = numberBox("Text9", QStringLiteral("予鈴 分前"));
    m_preUnit = new QLabel(QStringLiteral("分前"));
    m_mainToo = named(new QCheckBox(QStringLiteral("本鈴もする")), "Check21", QStringLiteral("本鈴もする"));
    grid->addWidget(m_preAlarm, 0, 0);
    grid->addWidget(m_preMinutes, 0, 1);
    grid->addWidget(m_preUnit, 0, 2);
    grid->addWidget(m_mainToo, 0, 3);
    m_blink = named(new QCheckBox(QStringLiteral("ブリンクする")), "Check22", QStringLiteral("ブリンクする"));
    m_blinkCount = numberBox("Text10", QStringLiteral("ブリンク回数"));
    m_blinkUnit = new QLabel(QStringLiteral("回"));
    grid->addWidget(m_blink, 1, 0);
    grid->addWidget(m_blinkCount, 1, 1);
    grid->addWidget(m_blinkUnit, 1, 2);
    m_keepWindow = named(new QCheckBox(QStringLiteral("ブリンク後に、アラームウィンドウを画面に残す")),
        "Check23", QStringLiteral("ブリンク後に、アラームウィンドウを画面に残す"));
    grid->addWidget(m_keepWindow, 2, 0, 1, 4);
    m_previewButton = named(
        new QPushButton(QStringLiteral("表示メッセージ")), "Command10", QStringLiteral("表示メッセージ"));
    grid->addWidget(m_previewButton, 3, 3);
    grid->setColumnStretch(4, 1);
    connect(m_preAlarm, &QCheckBox::toggled, this, &MessageTab::enableDependents);
    connect(m_blink, &QCheckBox::toggled, this, &MessageTab::enableDependents);
    connect(m_preMinutes, &QLineEdit::textEdited, this, [this] { cleanNumber(m_preMinutes, 32768); });
    connect(m_blinkCount, &QLineEdit::textEdited, this, [this] { cleanNumber(m_blinkCount, 32768); });
    connect(m_previewButton, &QPushButton::clicked, this, &MessageTab::previewRequested);
    enableDependents();
    return pane;
}

void MessageTab::readInto(EditorDraft& draft) const
{
    draft.preAlarm = m_preAlarm->isChecked();
    draft.mainBellToo = m_mainToo->isChecked();
    draft.preMinutes = m_preMinutes->text().toStdString();
    draft.blink = m_blink->isChecked();
    draft.blinkCount = m_blinkCount->text().toStdString();
    draft.keepWindow = m_keepWindow->isChecked();
    draft.textColor = m_textColor;
    draft.backColor = m_backColor;
    draft.fontName = m_font.family().toStdString();
    draft.fontSize = m_font.pointSizeF();
    draft.fontBold = m_font.bold();
    draft.fontItalic = m_font.italic();
    draft.fontUnderline = m_font.underline();
    draft.fontStrikethru = m_font.strikeOut();
    draft.textColorIndex = m_textSwatches->index();
    draft.backColorIndex = m_backSwatches->index();
}

void MessageTab::load(const EditorDraft& draft)
{
    setMessage(QString::fromStdString(draft.message));
    m_preAlarm->setChecked(draft.preAlarm);
    m_mainToo->setChecked(draft.mainBellToo);
    m_preMinutes->setText(QString::fromStdString(draft.preMinutes));
    m_blink->setChecked(draft.blink);
    m_blinkCount->setText(QString::fromStdString(draft.blinkCount));
    m_keepWindow->setChecked(draft.keepWindow);
    m_font = QFont(QString::fromStdString(draft.fontName));
    m_font.setPointSizeF(draft.fontSize > 0 ? draft.fontSize : 12);
    m_font.setBold(draft.fontBold);
    m_font.setItalic(draft.fontItalic);
    m_font.setUnderline(draft.fontUnderline);
    m_font.setStrikeOut(draft.fontStrikethru);
    m_textColor = draft.textColor;
    m_backColor = draft.backColor;
    m_textSwatches->setIndex(draft.textColorIndex);
    m_backSwatches->setIndex(draft.backColorIndex);
    enableDependents();
    paintPreview();
}

void MessageTab::setMessage(const QString& text)
{
    if (m_message->text() != text) {
        m_message->setText(text);
    }
}

bool MessageTab::warnPastTime() const
{
    return m_warnPast->isChecked();
}

void MessageTab::setWarnPastTime(bool warn)
{
    m_warnPast->setChecked(warn);
}

QWidget* MessageTab::focusTarget(DraftField field) const
{
    switch (field) {
    case DraftField::PreMinutes:
        return m_preMinutes;
    case DraftField::BlinkCount:
        return m_blinkCount;
    default:
        return nullptr;
    }
}

void MessageTab::paintPreview()
{
    const QColor text = fromWinColor(m_textColor);
    const QColor back = fromWinColor(m_backColor);
    QPalette palette = m_preview->palette();
    palette.setColor(QPalette::Base, back);
    palette.setColor(QPalette::Text, text);
    m_preview->setPalette(palette);
    m_preview->setFont(m_font);
    m_preview->setPlainText(m_message->text());
    m_preview->selectAll();
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setTextColor(text);
    m_preview->moveCursor(QTextCursor::Start);
}

void MessageTab::chooseCustom(bool text)
{
    std::int32_t& colour = text ? m_textColor : m_backColor;
    if (!isVisible()) {
        return;
    }
    if (const auto chosen = m_dialogs.color(fromWinColor(colour), this)) {
        colour = toWinColor(*chosen);
        paintPreview();
    }
}

void MessageTab::chooseFont()
{
    if (const auto chosen = m_dialogs.font(m_font, this)) {
        m_font = *chosen;
        m_font.setPointSizeF(std::round(m_font.pointSizeF()));
        paintPreview();
    }
}

void MessageTab::enableDependents()
{
    const bool pre = m_preAlarm->isChecked();
    m_preMinutes->setEnabled(pre);
    m_preUnit->setEnabled(pre);
    m_mainToo->setEnabled(pre);
    const bool blink = m_blink->isChecked();
    m_blinkCount->setEnabled(blink);
    m_blinkUnit->setEnabled(blink);
}

} // namespace kvx
