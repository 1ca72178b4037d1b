#include "panel/widgets/WiFiNetworkHeaderRow.h"

#include "panel/widgets/AccessibleTexts.h"
#include "panel/widgets/ChannelPopover.h"
#include "panel/widgets/PanelBadges.h"
#include "qt/Dot.h"
#include "qt/KitFonts.h"
#include "qt/Palette.h"
#include "qt/PanelButtons.h"
#include "qt/PanelPageParts.h"
#include "qt/PlainTextLabel.h"
#include "qt/QtText.h"

#include <QHBoxLayout>

namespace lumra {

namespace PP = PanelPalette;

WiFiNetworkHeaderRow::WiFiNetworkHeaderRow(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    m_dot = new Dot(8, paletteWhite(0.45), this);
    m_name = makeTextLabel(QString(), PP::systemFont(17, QFont::DemiBold), PP::primaryText(), this);
    // The chip: the band text, then the info button inside the same capsule.
    auto* chip = makeChip(QString(), this);
    chip->setContentsMargins(8, 3, 8 + 4 + 12, 3);
    m_chip = chip;
    m_band = chip;
    m_info = makePlainSymbolButton(QStringLiteral("info.circle"), 11, chip);
    m_info->setAccessibleName(QStringLiteral("Show channel details"));
    connect(m_info, &QAbstractButton::clicked, this,
            [this] { setChannelInfoPopoverPresented(!isChannelInfoPopoverPresented()); });
    layout->addWidget(m_dot, 0, Qt::AlignVCenter);
    layout->addWidget(m_name, 0, Qt::AlignVCenter);
    layout->addWidget(m_chip, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    m_chip->hide();
}

void WiFiNetworkHeaderRow::apply(const WiFiHeaderModel& model) {
    setTextIfChanged(m_name, qText(model.networkName));
    setAccessibleNameIfChanged(m_name, qText(model.networkName));
    static_cast<Dot*>(m_dot)->setColor(model.isConnected ? statusColor(StatusColor::green)
                                                         : paletteWhite(0.45));
    m_channelDetails = qText(model.channelDetails);
    if (m_info->toolTip() != m_channelDetails)
        m_info->setToolTip(m_channelDetails);
    m_chip->setVisible(model.bandText.has_value());
    if (model.bandText) {
        setTextIfChanged(m_band, qText(*model.bandText));
        m_band->adjustSize();
        m_info->move(m_band->width() - 8 - m_info->width(),
                     (m_band->height() - m_info->height()) / 2);
    }
    if (m_popover) {
        if (auto* label = m_popover->findChild<QLabel*>()) {
            setTextIfChanged(label, m_channelDetails);
        }
    }
}

WiFiNetworkHeaderRow::~WiFiNetworkHeaderRow() {
    if (auto* popover = static_cast<ChannelPopover*>(m_popover.data())) {
        popover->detach();
        delete popover;
    }
}

bool WiFiNetworkHeaderRow::isChannelInfoPopoverPresented() const {
    return !m_popover.isNull();
}

void WiFiNetworkHeaderRow::setChannelInfoPopoverPresented(bool presented) {
    if (presented == isChannelInfoPopoverPresented()) {
        return;
    }
    if (!presented) {
        m_popover->hide();
        return;
    }
    auto* popover = new ChannelPopover(
        m_channelDetails, [this] { m_popover.clear(); }, this);
    m_popover = popover;
    popover->adjustSize();
    // Attached under the button, the arrow pointing at it.
    const QPoint anchor = m_info->mapToGlobal(QPoint(m_info->width() / 2, m_info->height()));
    popover->move(anchor.x() - popover->width() / 2, anchor.y() + 2);
    popover->show();
}

} // namespace lumra
