// A group of the dashboard's rows (the Wi-Fi rows, Latency, DNS): its section
// label, if it has one, above the rows, with no frame of its own. Main thread.
#pragma once

#include <QString>
#include <QVBoxLayout>
#include <QWidget>

namespace lumra {

// A group box without background or border: an optional label in the
// section style above a vertical stack (spacing 8, 4 above).
class PlainGroupBox final : public QWidget {
public:
    explicit PlainGroupBox(const QString& label, QWidget* parent = nullptr);
    QVBoxLayout* contentLayout() const { return m_content; }

private:
    QVBoxLayout* m_content;
};

} // namespace lumra
