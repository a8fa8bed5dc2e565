#pragma once

class QTranslator;

namespace kvx {

// Qt's own texts in Japanese: the standard buttons (OK / キャンセル / はい /
// いいえ), the colour, font and file dialogs and the text boxes' context menus,
// from the translations Qt installs. The program's own texts are Japanese
// already. Call once after the application object exists; gives the installed
// translator (the application owns it), or nullptr when none could be loaded.
QTranslator* installQtTranslations();

} // namespace kvx
