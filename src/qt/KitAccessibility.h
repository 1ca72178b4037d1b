// What assistive technology (AT-SPI through QAccessible) sees of the kit's
// controls and of every button the application paints itself: each action
// does at once what a click does, and the state tells checkable, checked and
// pressed. Qt's own button interface toggles a checkable button without a
// click, so nothing that listens to clicked() hears it, and presses through
// a click 100 ms later. Main thread.
#pragma once

namespace lumra {

// Registers the kit's interface factory with QAccessible (again after a new
// QApplication; a second call changes nothing). A control calls it first in
// its constructor: its interface is made at the first change assistive
// technology hears of (a text, a checkable flag) and kept.
void installKitAccessibility();

} // namespace lumra
