// A button drawn as a link: the label in the accent colour, no bezel, a
// pointing-hand cursor. Main thread.
#pragma once

#include <QPushButton>

namespace lumra {

class LinkButton final : public QPushButton {
public:
    explicit LinkButton(const QString& text, QWidget* parent = nullptr);

protected:
    // The style sheet's link, then the kit's focus ring around it.
    void paintEvent(QPaintEvent* event) override;
};

} // namespace lumra
