// A window built once and kept still holds its drawing buffer (several
// megabytes at tool-window sizes) and the heap its work freed while it is
// closed. Once such a window closes (not when it is minimised), both go back
// to the system; showing it again paints a fresh buffer. Main thread.
#pragma once

class QWidget;

namespace lumra {

void releaseMemoryWhenClosed(QWidget* window);

} // namespace lumra
