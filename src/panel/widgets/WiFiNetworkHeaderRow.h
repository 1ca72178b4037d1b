// The head of the dashboard's Wi-Fi group: which network this machine is on, on
// which band, and the button that opens the channel details. Main thread.
#pragma once

#include "panel/viewmodel/DashboardModel.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace lumra {

// The connection dot, the network name and the band chip with its info
// button, whose popover shows the channel details.
class WiFiNetworkHeaderRow final : public QWidget {
public:
    explicit WiFiNetworkHeaderRow(QWidget* parent = nullptr);
    ~WiFiNetworkHeaderRow() override;
    void apply(const WiFiHeaderModel& model);

    bool isChannelInfoPopoverPresented() const;
    void setChannelInfoPopoverPresented(bool presented);

    QLabel* nameLabel() const { return m_name; }
    QWidget* dot() const { return m_dot; }
    QWidget* bandChip() const { return m_chip; }
    QLabel* bandLabel() const { return m_band; }
    QAbstractButton* infoButton() const { return m_info; }
    // The open popover, or null.
    QWidget* channelPopover() const { return m_popover; }

private:
    QWidget* m_dot;
    QLabel* m_name;
    QWidget* m_chip;
    QLabel* m_band;
    QAbstractButton* m_info;
    QString m_channelDetails;
    QPointer<QWidget> m_popover;
};

} // namespace lumra
