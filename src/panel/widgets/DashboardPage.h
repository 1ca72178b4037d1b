// The popover's first page: header with the health badge, the monitoring
// switch, messages, the Wi-Fi, latency and DNS groups, the location notice
// and Quit. Shows a DashboardModel; acts only through its callbacks. Main
// thread.
#pragma once

#include "panel/viewmodel/DashboardModel.h"
#include "panel/widgets/InlineMessageRow.h"
#include "panel/widgets/MetricRow.h"
#include "panel/widgets/MetricTrendRow.h"
#include "panel/widgets/PanelBadges.h"
#include "panel/widgets/PlainGroupBox.h"
#include "panel/widgets/WiFiNetworkHeaderRow.h"
#include "qt/PanelButtons.h"
#include "qt/PlainTextLabel.h"
#include "qt/SectionDivider.h"
#include "qt/SymbolLabel.h"
#include "qt/ToggleSwitch.h"

#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class QBoxLayout;

namespace lumra {

class DashboardPage final : public QWidget {
public:
    struct Actions {
        std::function<void()> showToolbox;
        std::function<void()> showSettings;
        // The user flipped the monitoring switch to this value.
        std::function<void(bool)> setMonitoringEnabled;
        std::function<void()> locationAction;
        std::function<void()> quit;
    };

    DashboardPage(const DashboardModel& model, Actions actions, QWidget* parent = nullptr);
    void apply(const DashboardModel& model);
    // Narrows the spacing between the page's sections from 12 down to 8 as
    // far as it takes for the page to fit availableHeight at width, so the
    // last row (Quit) shows without scrolling in every state.
    void fitInto(int width, int availableHeight);

    CapsuleBadge* healthBadge() const { return m_healthBadge; }
    ToggleSwitch* monitoringSwitch() const { return m_switch; }
    CapsuleBadge* monitoringChip() const { return m_chip; }
    const std::vector<InlineMessageRow*>& messageRows() const { return m_messages; }
    WiFiNetworkHeaderRow* wifiHeader() const { return m_wifiHeader; }
    // Every metric row in screen order: Wi-Fi, latency, DNS.
    const std::vector<QWidget*>& metricRows() const { return m_rows; }
    QLabel* locationText() const { return m_locationText; }
    KitButton* locationButton() const { return m_locationButton; }
    KitButton* quitButton() const { return m_quit; }

private:
    QBoxLayout* buildHeader(const DashboardModel& model);
    QBoxLayout* buildMonitoringRow();
    QBoxLayout* buildLocationSection();
    void applyMessages(const std::vector<InlineMessageModel>& messages);

    // What the last fitting saw and chose.
    struct Fit {
        int width = 0;
        int availableHeight = 0;
        int height = 0;
        int spacedItems = 0;
        int spacing = 0;
        bool operator==(const Fit&) const = default;
    };

    Actions m_actions;
    std::optional<Fit> m_lastFit;
    CapsuleBadge* m_healthBadge;
    ToggleSwitch* m_switch;
    CapsuleBadge* m_chip;
    QVBoxLayout* m_messageLayout;
    std::vector<InlineMessageRow*> m_messages;
    WiFiNetworkHeaderRow* m_wifiHeader;
    std::vector<QWidget*> m_rows;
    QLabel* m_locationText;
    KitButton* m_locationButton;
    KitButton* m_quit;
};

} // namespace lumra
