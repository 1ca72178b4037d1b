// A button drawn as a link: the label in the accent colour, no bezel, a
// pointing-hand cursor. Main thread.
#pragma once

#include <QPushButton>

namespace lumra {

class LinkButton final : public QPushButton {
public:
    explicit LinkButton(const QString& text, QWidget* parent = nullptr);
};

} // namespace lumra
