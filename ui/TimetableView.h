#pragma once

#include <QWidget>

#include <memory>

class QLabel;
class QScrollBar;

namespace kvx {

struct TimetableLayout;
struct TwipsBox;

// The band "タイムテーブル": the caption, the 15 hour labels, the bars of a
// timetable layout with the green frame around one of them, and the scroll bar
// that shifts the scale. Each window owns its own band with its own scroll
// value; the owner computes the layout and hands it over.
class TimetableView : public QWidget {
    Q_OBJECT

public:
    // The scroll bar gets `scrollBarName` as its object name.
    explicit TimetableView(const char* scrollBarName, QWidget* parent = nullptr);
    ~TimetableView() override;

    int scrollValue() const;
    // Moves the scroll bar; only a different value changes it and emits scrolled.
    void setScrollValue(int value);
    QScrollBar* scrollBar() const { return m_scroll; }

    // Shows the layout and frames its bar `framedBar` (-1 for no frame).
    void showLayout(TimetableLayout layout, int framedBar);
    const TimetableLayout& shownLayout() const { return *m_layout; }
    int framedBar() const { return m_framedBar; }

    // Where a box of the layout lands in the band, in pixels.
    static QRect pixelsOf(const TwipsBox& box);

signals:
    void scrolled(int value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintScale(QPainter& painter) const;
    void paintBars(QPainter& painter) const;

    QLabel* m_caption;
    QScrollBar* m_scroll;
    std::unique_ptr<TimetableLayout> m_layout;
    int m_framedBar = -1;
};

} // namespace kvx
