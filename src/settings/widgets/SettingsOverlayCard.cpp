#include "settings/widgets/SettingsOverlayCard.h"

#include "qt/CardFrame.h"
#include "qt/FittingLabel.h"
#include "qt/KeyValueRow.h"
#include "qt/KitFonts.h"
#include "qt/LinkButton.h"
#include "qt/Palette.h"
#include "qt/PanelButtons.h"
#include "qt/PanelPageParts.h"
#include "qt/PlainTextLabel.h"
#include "qt/QtText.h"
#include "qt/SectionDivider.h"
#include "qt/SymbolLabel.h"
#include "settings/viewmodel/SettingsTexts.h"
#include "settings/widgets/SettingsTabButton.h"

#include <QHBoxLayout>
#include <QPointer>

namespace lumra {

namespace PP = PanelPalette;

namespace {

// A card of the settings page: a rounded rectangle of radius 9 with a fill
// behind a vertical stack.
CardFrame* filledCard(const QColor& fill, QMargins padding, int spacing, QWidget* parent) {
    return new CardFrame(
        CardStyle{.fill = fill, .cornerRadius = 9, .spacing = spacing, .margins = padding}, parent);
}

// A tab: its symbol and title, in the accent colour and semibold with a rule
// under it while selected.
KitButtonStyle tabLook() {
    return KitButtonStyle{.font = PP::systemFont(12, QFont::Medium),
                          .textColor = PP::secondaryText(),
                          .symbolSize = QSizeF(12, 12),
                          .padding = QMargins(0, 0, 2, 8),
                          .spacing = 6,
                          .alignment = Qt::AlignLeft | Qt::AlignTop,
                          .checkedTextColor = statusColor(StatusColor::accent),
                          .checkedFont = PP::systemFont(12, QFont::DemiBold),
                          .underlinesWhenChecked = true};
}

QWidget* switchRow(ToggleSwitch* toggle, const QString& title, const QString& subtitle,
                   QWidget* trailing, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(toggle, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(
        makeTextLabel(title, PP::systemFont(13, QFont::DemiBold), PP::primaryText(), row));
    texts->addWidget(makeTextLabel(subtitle, PP::captionFont(), PP::secondaryText(), row, true));
    layout->addLayout(texts, 1);
    if (trailing != nullptr) {
        layout->addWidget(trailing, 0, Qt::AlignVCenter);
    }
    return row;
}

} // namespace

SettingsOverlayCard::SettingsOverlayCard(BatteryFriendlySetting isBatteryFriendly,
                                         std::shared_ptr<AppUpdateController> appUpdateController,
                                         std::function<void()> onClose,
                                         std::shared_ptr<LaunchAtLoginController> launchAtLogin,
                                         AppBuildMetadataDisplayInfo buildMetadata, QWidget* parent)
    : QWidget(parent), m_isBatteryFriendly(std::move(isBatteryFriendly)),
      m_appUpdateController(std::move(appUpdateController)), m_onClose(std::move(onClose)),
      m_launchAtLogin(std::move(launchAtLogin)), m_buildMetadata(std::move(buildMetadata)) {
    m_refresh = new DeferredRefresh(this, [this] { refresh(); });
    m_state = SettingsModel::create([refresh = QPointer<DeferredRefresh>(m_refresh)] {
        if (refresh) {
            refresh->schedule();
        }
    });
    if (m_appUpdateController) {
        m_refresh->observe(*m_appUpdateController);
    }
    if (m_launchAtLogin) {
        m_refresh->observe(*m_launchAtLogin);
    }

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(12);
    page->addLayout(makePageHeader(this, qText(SettingsText::settings),
                                   qText(SettingsText::pageSubtitle),
                                   qText(SettingsText::backToMain), [this] { m_onClose(); }));
    auto* body = new QVBoxLayout;
    body->setSpacing(10);
    auto* tabs = new QHBoxLayout;
    tabs->setSpacing(14);
    for (const auto& tab : settingsTabs()) {
        auto* button = makeSettingsTabButton(
            tab, tabLook(), [this, which = tab.tab] { m_state->selectTab(which); }, this);
        tabs->addWidget(button);
        m_tabButtons.push_back(button);
    }
    tabs->addStretch(1);
    auto* tabBar = new QVBoxLayout;
    tabBar->setSpacing(0);
    tabBar->addLayout(tabs);
    tabBar->addWidget(new SectionDivider(this));
    body->addLayout(tabBar);
    m_general = buildGeneral();
    m_about = buildAbout();
    body->addWidget(m_general);
    body->addWidget(m_about);
    page->addLayout(body);
    page->addStretch(1);
    refresh();
}

QWidget* SettingsOverlayCard::buildBatteryCard(QWidget* tab) {
    auto* battery = filledCard(PP::rowFill(), QMargins(10, 8, 10, 8), 6, tab);
    m_batterySwitch = new ToggleSwitch(battery);
    m_batterySwitch->setAccessibleName(qText(SettingsText::batteryFriendly));
    connect(m_batterySwitch, &QAbstractButton::clicked, this, [this](bool checked) {
        if (m_isBatteryFriendly.write) {
            m_isBatteryFriendly.write(checked);
        }
        m_refresh->schedule();
    });
    m_batteryChip = makeChip(QString(), battery);
    battery->contentLayout()->addWidget(
        switchRow(m_batterySwitch, qText(SettingsText::batteryFriendly),
                  qText(SettingsText::batteryFriendlyDetail), m_batteryChip, battery));
    battery->contentLayout()->addWidget(makeTextLabel(qText(SettingsText::pausesWhileAsleep),
                                                      PP::captionFont(), PP::secondaryText(),
                                                      battery, true));
    return battery;
}

QWidget* SettingsOverlayCard::buildLaunchCard(QWidget* tab) {
    auto* launch = filledCard(PP::rowFill(), QMargins(10, 8, 10, 8), 6, tab);
    m_launchSwitch = new ToggleSwitch(launch);
    m_launchSwitch->setAccessibleName(qText(SettingsText::launchAtLogin));
    connect(m_launchSwitch, &QAbstractButton::clicked, this, [this](bool checked) {
        if (m_launchAtLogin) {
            m_state->setLaunchAtLogin(*m_launchAtLogin, checked);
        }
        // The switch shows the controller's state, not the click.
        m_refresh->schedule();
    });
    launch->contentLayout()->addWidget(switchRow(m_launchSwitch, qText(SettingsText::launchAtLogin),
                                                 qText(SettingsText::launchAtLoginDetail), nullptr,
                                                 launch));
    m_approvalRow = new QWidget(launch);
    auto* approval = new QHBoxLayout(m_approvalRow);
    approval->setContentsMargins(0, 0, 0, 0);
    approval->setSpacing(6);
    approval->addWidget(makeSymbolLabel(QStringLiteral("exclamationmark.triangle.fill"), 10,
                                        statusColor(StatusColor::orange), m_approvalRow));
    approval->addWidget(makeTextLabel(qText(SettingsText::pageApprovalNeeded), PP::captionFont(),
                                      PP::secondaryText(), m_approvalRow));
    auto* open = new LinkButton(qText(SettingsText::pageOpenApproval), m_approvalRow);
    open->setFont(PP::captionFont());
    connect(open, &QAbstractButton::clicked, this, [this] {
        if (m_launchAtLogin) {
            m_launchAtLogin->openLoginItemsSettings();
        }
    });
    m_approvalOpen = open;
    approval->addWidget(open);
    approval->addStretch(1);
    launch->contentLayout()->addWidget(m_approvalRow);
    m_launchError = makeTextLabel(QString(), PP::captionFont(),
                                  withOpacity(statusColor(StatusColor::red), 0.85), launch, true);
    launch->contentLayout()->addWidget(m_launchError);
    return launch;
}

QWidget* SettingsOverlayCard::buildGeneral() {
    auto* tab = new QWidget(this);
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(makeTextLabel(qText(settingsTab(SettingsTab::general).title),
                                    PP::sectionFont(), PP::tertiaryText(), tab));

    layout->addWidget(buildBatteryCard(tab));
    layout->addWidget(buildLaunchCard(tab));
    return tab;
}

QWidget* SettingsOverlayCard::buildBuildCard(QWidget* tab) {
    auto* build = filledCard(PP::rowFill(), QMargins(10, 9, 10, 9), 6, tab);
    for (const BuildInfoRow& info : pageBuildRows(m_buildMetadata)) {
        const QString key = qText(info.key);
        auto* row = new QWidget(build);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        rowLayout->setSpacing(0);
        auto* keyLabel = makeTextLabel(key, PP::captionFont(), PP::secondaryText(), row);
        keyLabel->setFixedWidth(90);
        auto* valueLabel = makeTextLabel(qText(info.value), PP::systemFont(12, QFont::DemiBold),
                                         PP::primaryText(), row);
        valueLabel->setAccessibleName(key);
        rowLayout->addWidget(keyLabel);
        rowLayout->addWidget(valueLabel, 1);
        build->contentLayout()->addWidget(row);
    }
    return build;
}

QWidget* SettingsOverlayCard::buildUpdateCard(QWidget* tab) {
    auto* update = filledCard(withOpacity(statusColor(StatusColor::blue), 0.12),
                              QMargins(10, 8, 10, 8), 7, tab);
    m_updateCard = update;
    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(6);
    titleRow->addWidget(makeSymbolLabel(QStringLiteral("arrow.down.circle.fill"), 12,
                                        statusColor(StatusColor::blue), update));
    // The version comes from the update service: elided, never wider than
    // the card.
    m_updateTitle =
        new FittingLabel(PP::systemFont(12, QFont::DemiBold), PP::primaryText(), 1.0, update);
    titleRow->addWidget(m_updateTitle, 1);
    update->contentLayout()->addLayout(titleRow);
    m_releaseNotes = makeTextLabel(QString(), PP::captionFont(), PP::secondaryText(), update, true);
    update->contentLayout()->addWidget(m_releaseNotes);
    auto* downloadRow = new QHBoxLayout;
    downloadRow->addStretch(1);
    m_download = makePanelButton(qText(SettingsText::download), true, update);
    connect(m_download, &QAbstractButton::clicked, this, [this] {
        if (m_appUpdateController) {
            m_appUpdateController->openDownloadPage();
        }
    });
    downloadRow->addWidget(m_download);
    update->contentLayout()->addLayout(downloadRow);
    return update;
}

QHBoxLayout* SettingsOverlayCard::buildCheckRow(QWidget* tab) {
    auto* checkRow = new QHBoxLayout;
    checkRow->setSpacing(8);
    checkRow->addWidget(makeTextLabel(qText(SettingsText::pageAboutNote), PP::captionFont(),
                                      PP::secondaryText(), tab, true),
                        1, Qt::AlignTop);
    checkRow->addSpacing(8);
    m_check = makePanelButton(qText(SettingsText::checkForUpdates), false, tab);
    m_check->setAccessibleName(qText(SettingsText::checkForUpdates));
    // The spinner takes the text's place without the button changing size.
    m_check->setMinimumWidth(m_check->sizeHint().width());
    auto* spinnerLayout = new QHBoxLayout(m_check);
    spinnerLayout->setContentsMargins(0, 0, 0, 0);
    m_spinner = new Spinner(14, m_check);
    spinnerLayout->addWidget(m_spinner, 0, Qt::AlignCenter);
    connect(m_check, &QAbstractButton::clicked, this,
            [this] { m_state->checkForUpdates(m_appUpdateController); });
    checkRow->addWidget(m_check, 0, Qt::AlignTop);
    return checkRow;
}

QWidget* SettingsOverlayCard::buildAbout() {
    auto* tab = new QWidget(this);
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(makeTextLabel(qText(settingsTab(SettingsTab::about).title), PP::sectionFont(),
                                    PP::tertiaryText(), tab));

    layout->addWidget(buildBuildCard(tab));
    layout->addWidget(buildUpdateCard(tab));
    layout->addLayout(buildCheckRow(tab));
    return tab;
}

KitButton* SettingsOverlayCard::tabButton(SettingsTab tab) const {
    return m_tabButtons.at(static_cast<std::size_t>(tab));
}

void SettingsOverlayCard::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_launchAtLogin) {
        m_launchAtLogin->refreshStatus();
    }
}

void SettingsOverlayCard::refresh() {
    const SettingsTab selected = m_state->selectedTab();
    showSelectedTab(m_tabButtons, selected);
    m_general->setVisible(selected == SettingsTab::general);
    m_about->setVisible(selected == SettingsTab::about);

    const bool batteryFriendly = m_isBatteryFriendly.read ? m_isBatteryFriendly.read() : true;
    m_batterySwitch->setChecked(batteryFriendly);
    setTextIfChanged(m_batteryChip, qText(batteryModeChipText(batteryFriendly)));
    m_launchSwitch->setChecked(m_launchAtLogin && m_launchAtLogin->isEnabled().get());
    m_approvalRow->setVisible(m_launchAtLogin && m_launchAtLogin->requiresApproval().get());
    const auto& error = m_state->launchAtLoginError();
    m_launchError->setVisible(error.has_value());
    setTextIfChanged(m_launchError, error ? qText(*error) : QString());

    const auto update = m_appUpdateController ? m_appUpdateController->availableUpdate().get()
                                              : std::optional<AvailableUpdate>{};
    m_updateCard->setVisible(update.has_value());
    if (update) {
        setTextIfChanged(m_updateTitle, qText(pageUpdateTitle(update->version)));
        m_releaseNotes->setVisible(showsReleaseNotes(update->releaseNotes));
        if (showsReleaseNotes(update->releaseNotes)) {
            const QString notes = qText(*update->releaseNotes);
            m_releaseNotes->setAccessibleDescription(notes);
            const int width = m_releaseNotes->width() > 50 ? m_releaseNotes->width() : 300;
            setTextIfChanged(m_releaseNotes,
                             elidedToLines(notes, m_releaseNotes->font(), width, 2));
        }
    }
    const bool checking = m_state->isCheckingForUpdate();
    m_check->setEnabled(!checking);
    m_check->setText(qText(m_state->checkButtonTitle()));
    m_spinner->setVisible(checking);
}

} // namespace lumra
