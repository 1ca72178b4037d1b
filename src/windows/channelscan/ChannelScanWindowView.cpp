#include "windows/channelscan/ChannelScanWindowView.h"

#include "qt/PlaceholderView.h"

namespace lumra {

ChannelScanWindowView::ChannelScanWindowView(std::shared_ptr<ChannelScanMonitor> channelScanMonitor,
                                             double headerContentSpacing, QWidget* parent)
    : QWidget(parent), m_channelScanMonitor(std::move(channelScanMonitor)),
      m_headerContentSpacing(headerContentSpacing) {
    fillWithPlaceholder(this, QStringLiteral("Channel Scan"));
}

} // namespace lumra
