#pragma once

namespace kvx {

// Stored alarms name Windows fonts ("ＭＳ Ｐゴシック", "Tahoma"...); this maps
// them to the installed Japanese fonts of the same kind (proportional or fixed,
// gothic or mincho). Call once after the application object exists.
void installFontSubstitutions();

} // namespace kvx
