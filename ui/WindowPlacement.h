#pragma once

class QWidget;

namespace kvx {

// Centres a top-level window on the available area of the screen it is on (the
// primary screen before it is first shown). Nothing happens without a screen.
void centreOnScreen(QWidget& window);

} // namespace kvx
