// The popover's overlay pages: toolbox, connection monitor and captive
// portal. Each shows its Qt-free model and acts only through its callbacks.
// Main thread.
#pragma once

#include "panel/viewmodel/OverlayCardModels.h"
#include "panel/widgets/InlineMessageRow.h"
#include "panel/widgets/MetricRow.h"
#include "panel/widgets/MetricTrendRow.h"
#include "panel/widgets/PanelBadges.h"
#include "panel/widgets/PlainGroupBox.h"
#include "panel/widgets/WiFiNetworkHeaderRow.h"
#include "qt/KitButton.h"
#include "qt/PanelButtons.h"
#include "qt/PanelPageParts.h"
#include "qt/PlainTextLabel.h"
#include "qt/SectionDivider.h"
#include "qt/SymbolLabel.h"

#include <QAbstractButton>
#include <QLocale>
#include <QWidget>
#include <functional>
#include <vector>

namespace lumra {

// One tool: symbol, title over a wrapping subtitle, chevron, on a rounded
// fill that is the whole hit area.
KitButton* makeToolboxToolRow(const ToolboxRowModel& model, std::function<void()> action,
                              QWidget* parent = nullptr);

class ToolboxOverlayCard final : public QWidget {
public:
    struct Callbacks {
        std::function<void()> onOpenWiFiRadar;
        std::function<void()> onOpenDiagnosticsExport;
        std::function<void()> onOpenSpeedTest;
        std::function<void()> onOpenChannelScan;
        std::function<void()> onOpenConnectionMonitor;
        std::function<void()> onOpenCaptivePortal;
        std::function<void()> onClose;
    };

    explicit ToolboxOverlayCard(Callbacks callbacks, QWidget* parent = nullptr);
    const std::vector<KitButton*>& rows() const { return m_rows; }

private:
    Callbacks m_callbacks;
    std::vector<KitButton*> m_rows;
};

class ConnectionMonitorOverlayCard final : public QWidget {
public:
    ConnectionMonitorOverlayCard(const ConnectionMonitorCardModel& model,
                                 std::function<void()> onClose, QWidget* parent = nullptr);
    void apply(const ConnectionMonitorCardModel& model);
    CapsuleBadge* badge() const { return m_badge; }
    const std::vector<MetricTrendRow*>& rows() const { return m_rows; }
    QLabel* statusLabel() const { return m_status; }

private:
    CapsuleBadge* m_badge;
    std::vector<MetricTrendRow*> m_rows;
    QLabel* m_status;
};

class CaptivePortalOverlayCard final : public QWidget {
public:
    CaptivePortalOverlayCard(const CaptivePortalCardModel& model, std::function<void()> onClose,
                             QWidget* parent = nullptr);
    void apply(const CaptivePortalCardModel& model);
    CapsuleBadge* badge() const { return m_badge; }
    MetricRow* stateRow() const { return m_state; }
    MetricRow* reasonRow() const { return m_reason; }
    QLabel* portalURLLabel() const { return m_portal; }
    // The full address, as given (the label may show it cut in the middle).
    QString portalURL() const { return m_portalText; }
    MetricRow* lastCheckRow() const { return m_lastCheck; }
    QLabel* statusLabel() const { return m_status; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elidePortal();

    CapsuleBadge* m_badge;
    MetricRow* m_state;
    MetricRow* m_reason;
    QLabel* m_portal;
    QString m_portalText;
    MetricRow* m_lastCheck;
    QLabel* m_status;
};

// A time in the locale's standard time style with seconds, without a date.
QString formatCheckTime(std::chrono::system_clock::time_point time,
                        const QLocale& locale = QLocale());

} // namespace lumra
