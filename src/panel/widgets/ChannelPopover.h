// The small window under the Wi-Fi header's info button, its arrow pointing
// up at the button; closing it by clicking elsewhere tells the row. Main
// thread.
#pragma once

#include <QFrame>
#include <QLabel>
#include <functional>

namespace lumra {

class ChannelPopover final : public QFrame {
public:
    ChannelPopover(const QString& text, std::function<void()> onHide, QWidget* parent);
    QLabel* label() const { return m_label; }
    // The row is going away: tell it nothing more.
    void detach() { m_onHide = {}; }
    static constexpr int arrowHeight = 6;

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QLabel* m_label;
    std::function<void()> m_onHide;
};

} // namespace lumra
