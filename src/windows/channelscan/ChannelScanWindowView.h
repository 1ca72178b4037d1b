// The Channel Scan window's content, built once by the menu-bar controller and
// kept while the window is hidden. Main thread.
#pragma once

#include "monitoring/channelscan/ChannelScanMonitor.h"

#include <QWidget>
#include <memory>

namespace lumra {

class ChannelScanWindowView final : public QWidget {
public:
    // headerContentSpacing: points between the header and the content.
    ChannelScanWindowView(std::shared_ptr<ChannelScanMonitor> channelScanMonitor,
                          double headerContentSpacing, QWidget* parent = nullptr);

private:
    std::shared_ptr<ChannelScanMonitor> m_channelScanMonitor;
    double m_headerContentSpacing;
};

} // namespace lumra
