#include "editor/SwatchGroup.h"

#include "core/Records.h"
#include "ui/Controls.h"
#include "ui/WinColor.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QSignalBlocker>

namespace kvx {

namespace {

struct Swatch {
    const char* caption;
    std::int32_t color;
};

const std::array<Swatch, 7> kSwatches{{{"青", 0xFFB29C}, {"緑", 0xBDFF9C}, {"黄", 0x9CFFFF}, {"赤", 0x0000FF},
    {"灰", kButtonFaceColor}, {"白", 0xFFFFFF}, {"黒", 0x000000}}};

} // namespace

SwatchGroup::SwatchGroup(int firstNumber, const QString& customCaption, QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (int index = 0; index < 8; ++index) {
        const QByteArray name = "Check" + QByteArray::number(firstNumber + index);
        const QString caption
            = index == 0 ? customCaption : QString::fromUtf8(kSwatches[static_cast<std::size_t>(index - 1)].caption);
        auto* box = named(new QCheckBox(caption), name.constData(),
            index == 0 ? customCaption : customCaption + QLatin1Char(' ') + caption);
        if (index > 0) {
            const QColor colour = fromWinColor(kSwatches[static_cast<std::size_t>(index - 1)].color);
            const QColor text = index == 7 ? Qt::white : Qt::black;
            box->setAutoFillBackground(true);
            box->setStyleSheet(QStringLiteral("QCheckBox { background: %1; color: %2; padding: 1px; }")
                                   .arg(colour.name(), text.name()));
        }
        connect(box, &QCheckBox::clicked, this, [this, index] { clicked(index); });
        m_boxes[static_cast<std::size_t>(index)] = box;
        row->addWidget(box);
    }
    row->addStretch();
}

std::int32_t SwatchGroup::swatchColor(int index)
{
    return kSwatches[static_cast<std::size_t>(index - 1)].color;
}

int SwatchGroup::index() const
{
    for (int index = 0; index < 8; ++index) {
        if (m_boxes[static_cast<std::size_t>(index)]->isChecked()) {
            return index;
        }
    }
    return 0;
}

void SwatchGroup::setIndex(int index)
{
    for (int i = 0; i < 8; ++i) {
        const QSignalBlocker blocker(m_boxes[static_cast<std::size_t>(i)]);
        m_boxes[static_cast<std::size_t>(i)]->setChecked(i == index);
    }
}

void SwatchGroup::clicked(int index)
{
    QCheckBox* clickedBox = m_boxes[static_cast<std::size_t>(index)];
    const bool anyTicked = std::any_of(m_boxes.begin(), m_boxes.end(), [](QCheckBox* b) { return b->isChecked(); });
    if (!anyTicked) {
        clickedBox->setChecked(true);
        return;
    }
    if (!clickedBox->isChecked()) {
        return;
    }
    setIndex(index);
    if (index == 0) {
        emit customChosen();
    } else {
        emit swatchChosen(swatchColor(index));
    }
}

} // namespace kvx
