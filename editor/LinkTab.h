#pragma once

// moc stops at a standard header read before the Qt ones.
// clang-format off
#include <QWidget>
// clang-format on

#include "core/Records.h"

class QLineEdit;
class QRadioButton;

namespace kvx {

// The tab "データ連携": the port of the sticky-note program (`Frame8`) and
// what a hand-over does to the memo (`Frame9`). Both change the settings in
// memory at once; the next save writes them.
class LinkTab : public QWidget {
    Q_OBJECT

public:
    explicit LinkTab(WindowSettings& window, QWidget* parent = nullptr);

    void load();

signals:
    // A typed port number went past 65535; its last digit was taken out.
    void portRefused();

private:
    void portEdited();

    WindowSettings& m_window;
    QLineEdit* m_port;
    QRadioButton* m_copyOnly;
    QRadioButton* m_copyAndPeel;
};

} // namespace kvx
