#pragma once

#include <string>

class QWidget;

namespace kvx {

// Centres a top-level window on the available area of the screen it is on (the
// primary screen before it is first shown). Nothing happens without a screen.
void centreOnScreen(QWidget& window);

// Where "FORMFLAG" puts a main window on the available area of its screen:
// "2" the top left corner, "3" the top right one, anything else the middle.
void placeByFormFlag(QWidget& window, const std::string& formFlag);

} // namespace kvx
