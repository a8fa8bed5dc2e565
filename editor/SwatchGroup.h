#pragma once

#include <QColor>
#include <QWidget>

#include <array>
#include <cstdint>

class QCheckBox;

namespace kvx {

// A colour choice of the message: the custom box ("文字色" / "背景色") and
// seven swatches. Exactly one box stays ticked; the index is 0 for the custom
// box and 1..7 for the swatches.
class SwatchGroup : public QWidget {
    Q_OBJECT

public:
    // Boxes are named Check<firstNumber> .. Check<firstNumber + 7>.
    SwatchGroup(int firstNumber, const QString& customCaption, QWidget* parent = nullptr);

    static std::int32_t swatchColor(int index); // 1..7
    int index() const; // the first ticked box
    // Ticks one box without asking for a colour.
    void setIndex(int index);
    QCheckBox* box(int index) const { return m_boxes[static_cast<std::size_t>(index)]; }

signals:
    // A swatch was ticked: its colour applies.
    void swatchChosen(std::int32_t color);
    // The custom box was ticked by the user: ask for a colour.
    void customChosen();

private:
    void clicked(int index);

    std::array<QCheckBox*, 8> m_boxes{};
};

} // namespace kvx
