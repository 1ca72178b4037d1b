#include "panel/widgets/DashboardPage.h"

#include "panel/viewmodel/PanelTexts.h"
#include "panel/widgets/WrappedTextLabel.h"
#include "qt/KitFonts.h"
#include "qt/LocaleNumberFormat.h"
#include "qt/Palette.h"
#include "qt/PanelPageParts.h"
#include "qt/QtText.h"
#include "qt/SymbolRegistry.h"
#include "viewkit/MetricFormat.h"

#include <QHBoxLayout>

namespace lumra {

namespace PP = PanelPalette;

namespace {

QWidget* brandLogo(QWidget* parent) {
    auto* logo = new QLabel(parent);
    logo->setTextFormat(Qt::PlainText);
    const QString asset = QStringLiteral("BrandLogo");
    const QImage probe = assetImage(asset, QSizeF(30, 30));
    // Aspect ratio kept, 30 high.
    const double aspect = probe.isNull() || probe.height() == 0
                              ? 1.0
                              : static_cast<double>(probe.width()) / probe.height();
    const QSizeF size(30 * aspect, 30);
    const QImage image = assetImage(asset, size, parent->devicePixelRatioF());
    if (!image.isNull()) {
        logo->setPixmap(QPixmap::fromImage(image));
    }
    logo->setFixedSize(size.toSize());
    logo->setAccessibleName(qText(DashboardText::brandName));
    return logo;
}

} // namespace

QBoxLayout* DashboardPage::buildHeader(const DashboardModel& model) {
    // Header.
    auto* header = new QHBoxLayout;
    header->setSpacing(10);
    auto* titleColumn = new QVBoxLayout;
    titleColumn->setSpacing(2);
    auto* brandRow = new QHBoxLayout;
    brandRow->setSpacing(0);
    brandRow->addWidget(brandLogo(this), 0, Qt::AlignVCenter);
    m_healthBadge = makeBadge(model.healthBadge, this);
    brandRow->addWidget(m_healthBadge, 0, Qt::AlignVCenter);
    brandRow->addStretch(1);
    titleColumn->addLayout(brandRow);
    titleColumn->addWidget(
        makeTextLabel(qText(DashboardText::subtitle), PP::headerFont(), PP::secondaryText(), this));
    header->addLayout(titleColumn);
    header->addStretch(1);
    header->addWidget(makeHeaderIconButton(
                          QStringLiteral("wrench.and.screwdriver"),
                          qText(DashboardText::toolboxButton), qText(DashboardText::toolboxHelp),
                          [this] { m_actions.showToolbox(); }, this),
                      0, Qt::AlignTop);
    header->addWidget(makeHeaderIconButton(
                          QStringLiteral("gearshape"), qText(DashboardText::settingsButton),
                          qText(DashboardText::settingsHelp), [this] { m_actions.showSettings(); },
                          this),
                      0, Qt::AlignTop);
    return header;
}

QBoxLayout* DashboardPage::buildMonitoringRow() {
    // Monitoring row.
    auto* monitoring = new QHBoxLayout;
    monitoring->setContentsMargins(0, 2, 0, 2);
    monitoring->setSpacing(10);
    m_switch = new ToggleSwitch(this);
    m_switch->setAccessibleName(qText(DashboardText::monitoringSwitch));
    connect(m_switch, &QAbstractButton::clicked, this,
            [this](bool checked) { m_actions.setMonitoringEnabled(checked); });
    monitoring->addWidget(m_switch, 0, Qt::AlignVCenter);
    monitoring->addWidget(makeTextLabel(qText(DashboardText::monitoringSwitch), PP::labelFont(),
                                        PP::primaryText(), this),
                          0, Qt::AlignVCenter);
    m_chip = makeChip(QString(), this);
    monitoring->addWidget(m_chip, 0, Qt::AlignVCenter);
    monitoring->addStretch(1);
    return monitoring;
}

QBoxLayout* DashboardPage::buildLocationSection() {
    // Location permission.
    auto* location = new QVBoxLayout;
    location->setContentsMargins(0, 8, 0, 0);
    location->setSpacing(6);
    location->addWidget(makeTextLabel(qText(DashboardText::locationSection),
                                      PP::systemFont(13, QFont::DemiBold), PP::primaryText(),
                                      this));
    m_locationText = makeWrappedTextLabel(QString(), PP::captionFont(), PP::secondaryText(), this);
    location->addWidget(m_locationText);
    m_locationButton = makePanelButton(QString(), false, this);
    connect(m_locationButton, &QAbstractButton::clicked, this,
            [this] { m_actions.locationAction(); });
    location->addWidget(m_locationButton, 0, Qt::AlignLeft);
    return location;
}

DashboardPage::DashboardPage(const DashboardModel& model, Actions actions, QWidget* parent)
    : QWidget(parent), m_actions(std::move(actions)) {
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(12);

    page->addLayout(buildHeader(model));

    page->addLayout(buildMonitoringRow());

    m_messageLayout = new QVBoxLayout;
    m_messageLayout->setContentsMargins(0, 0, 0, 0);
    m_messageLayout->setSpacing(12);
    page->addLayout(m_messageLayout);

    m_wifiHeader = new WiFiNetworkHeaderRow(this);
    page->addWidget(m_wifiHeader);

    const auto addGroup = [&](const QString& label, const std::vector<MetricRowModel>& rows) {
        auto* group = new PlainGroupBox(label, this);
        for (const auto& row : rows) {
            QWidget* widget = makeMetricRow(row, group);
            group->contentLayout()->addWidget(widget);
            m_rows.push_back(widget);
        }
        page->addWidget(group);
    };
    addGroup(QString(), model.wifiRows);
    addGroup(qText(DashboardText::latencySection), model.latencyRows);
    addGroup(qText(DashboardText::dnsSection), model.dnsRows);

    page->addLayout(buildLocationSection());

    auto* quitRow = new QHBoxLayout;
    quitRow->addStretch(1);
    m_quit = makePanelButton(qText(DashboardText::quitButton), false, this);
    connect(m_quit, &QAbstractButton::clicked, this, [this] { m_actions.quit(); });
    quitRow->addWidget(m_quit);
    page->addLayout(quitRow);
    page->addStretch(1);

    apply(model);
}

namespace {

// The page's items that take part in its spacing (hidden and empty ones do not).
int spacedItems(const QLayout* layout) {
    int count = 0;
    for (int i = 0; i < layout->count(); ++i) {
        if (!layout->itemAt(i)->isEmpty())
            ++count;
    }
    return count;
}

} // namespace

void DashboardPage::fitInto(int width, int availableHeight) {
    if (width <= 0 || availableHeight <= 0)
        return;
    QLayout* page = layout();
    // Every refresh asks; setting a spacing lays the whole page out again.
    // The layout keeps its height for a width until something in it changes,
    // and with the same height and the same number of spaced items the
    // sections and the answer are the same as last time.
    const Fit asked{width, availableHeight, page->totalHeightForWidth(width), spacedItems(page),
                    page->spacing()};
    if (asked == m_lastFit)
        return;
    int spacing = 12;
    for (; spacing > 8; --spacing) {
        page->setSpacing(spacing);
        if (page->totalHeightForWidth(width) <= availableHeight)
            break;
    }
    page->setSpacing(spacing);
    m_lastFit =
        Fit{width, availableHeight, page->totalHeightForWidth(width), spacedItems(page), spacing};
}

void DashboardPage::apply(const DashboardModel& model) {
    applyBadge(m_healthBadge, model.healthBadge);
    m_switch->setChecked(model.isMonitoringEnabled);
    setTextIfChanged(m_chip, qText(model.monitoringChip));
    applyMessages(model.messages);
    m_wifiHeader->apply(model.wifiHeader);
    std::size_t index = 0;
    for (const auto* rows : {&model.wifiRows, &model.latencyRows, &model.dnsRows}) {
        for (const auto& row : *rows) {
            if (index < m_rows.size()) {
                applyMetricRow(m_rows[index], row);
            }
            ++index;
        }
    }
    setTextIfChanged(m_locationText, qText(model.location.explanation));
    m_locationButton->setVisible(model.location.buttonTitle.has_value());
    if (model.location.buttonTitle) {
        m_locationButton->setText(qText(*model.location.buttonTitle));
    }
}

void DashboardPage::applyMessages(const std::vector<InlineMessageModel>& messages) {
    while (m_messages.size() > messages.size()) {
        delete m_messages.back();
        m_messages.pop_back();
    }
    for (std::size_t i = 0; i < messages.size(); ++i) {
        if (i < m_messages.size()) {
            m_messages[i]->apply(messages[i]);
        } else {
            auto* row = new InlineMessageRow(messages[i], this);
            m_messageLayout->addWidget(row);
            // On a page on screen the layout would show it only later, and
            // the page's fitting would not count it.
            row->show();
            m_messages.push_back(row);
        }
    }
}

} // namespace lumra
