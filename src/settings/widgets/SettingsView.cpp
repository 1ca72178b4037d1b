#include "settings/widgets/SettingsView.h"

#include "qt/CapsuleBadge.h"
#include "qt/CardFrame.h"
#include "qt/DeferredRefresh.h"
#include "qt/FittingLabel.h"
#include "qt/KeyValueRow.h"
#include "qt/KitFonts.h"
#include "qt/LinkButton.h"
#include "qt/NonBlockingAlert.h"
#include "qt/Palette.h"
#include "qt/PlainTextLabel.h"
#include "qt/QtText.h"
#include "qt/Spinner.h"
#include "qt/SymbolLabel.h"
#include "qt/ToggleSwitch.h"
#include "settings/viewmodel/SettingsTexts.h"
#include "settings/widgets/SettingsTabButton.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace lumra {

namespace {

QColor primary(const QWidget* widget) {
    return widget->palette().color(QPalette::WindowText);
}
QColor secondary(const QWidget* widget) {
    return withOpacity(primary(widget), 0.55);
}

QLabel* makeSymbol(const char* name, double size, const QColor& color, QWidget* parent) {
    QLabel* label = makeSymbolImage(QString::fromLatin1(name), size, color, parent);
    label->setFixedSize(static_cast<int>(size) + 1, static_cast<int>(size) + 1);
    return label;
}

// Cards take the height of their rows, never more.
CardFrame* makeCard(CardStyle style, QWidget* parent) {
    auto* card = new CardFrame(std::move(style), parent);
    card->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    return card;
}

CardStyle plainCard(const QWidget* widget) {
    return CardStyle{withOpacity(primary(widget), 0.05), withOpacity(primary(widget), 0.09)};
}

// A page's button: its symbol and title in the accent colour on the accent
// at 0.14 while selected, in primary on nothing otherwise.
KitButtonStyle tabLook(const QWidget* widget) {
    const QColor accent = statusColor(StatusColor::accent);
    return KitButtonStyle{.shape = KitButtonStyle::Shape::rounded,
                          .cornerRadius = 8,
                          .font = kitFont(13, QFont::Medium),
                          .textColor = primary(widget),
                          .symbolSize = QSizeF(12, 12),
                          .padding = QMargins(10, 7, 10, 7),
                          .spacing = 8,
                          .alignment = Qt::AlignLeft | Qt::AlignVCenter,
                          .checkedTextColor = accent,
                          .checkedFont = kitFont(13, QFont::DemiBold),
                          .checkedFill = withOpacity(accent, 0.14)};
}

// The window's push buttons: the prominent one white on the accent, the
// bordered one primary on the base colour.
KitButtonStyle prominentButtonLook() {
    const QColor accent = statusColor(StatusColor::accent);
    return KitButtonStyle{.shape = KitButtonStyle::Shape::rounded,
                          .cornerRadius = 5,
                          .fill = accent,
                          .pressedFill = accent.darker(120),
                          .font = kitFont(13),
                          .textColor = Qt::white,
                          .padding = QMargins(12, 4, 12, 4)};
}

KitButtonStyle borderedButtonLook(const QWidget* widget) {
    return KitButtonStyle{.shape = KitButtonStyle::Shape::rounded,
                          .cornerRadius = 5,
                          .fill = widget->palette().color(QPalette::Base),
                          .pressedFill = widget->palette().color(QPalette::Midlight),
                          .border = withOpacity(primary(widget), 0.25),
                          .font = kitFont(13),
                          .textColor = primary(widget),
                          .disabledTextColor = secondary(widget),
                          .padding = QMargins(12, 4, 12, 4)};
}

// A switch, its title over its subtitle, and room to the right.
QHBoxLayout* switchRow(ToggleSwitch* toggle, const QString& title, const QString& subtitle,
                       QWidget* parent) {
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    row->addWidget(toggle, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    for (QLabel* label :
         {makeTextLabel(title, kitFont(13, QFont::DemiBold), primary(parent), parent),
          makeTextLabel(subtitle, kitFont(12, QFont::Normal), secondary(parent), parent)}) {
        label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        texts->addWidget(label);
    }
    row->addLayout(texts);
    row->addSpacing(8);
    row->addStretch(1);
    return row;
}

} // namespace

SettingsView::SettingsView(BatteryFriendlySetting isBatteryFriendly,
                           std::shared_ptr<AppUpdateController> appUpdateController,
                           PlatformServices services, AppBuildMetadataDisplayInfo buildMetadata,
                           QWidget* parent)
    : QWidget(parent), m_isBatteryFriendly(std::move(isBatteryFriendly)),
      m_appUpdateController(std::move(appUpdateController)),
      m_launchAtLoginController(services.makeLaunchAtLoginController()),
      m_buildMetadata(std::move(buildMetadata)) {
    setMinimumSize(720, 440);
    m_model = SettingsModel::create([this] { m_refresh->schedule(); });
    resize(760, 460);

    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addWidget(buildSidebar());
    auto* divider = new QWidget(this);
    divider->setFixedWidth(1);
    divider->setAutoFillBackground(true);
    QPalette dividerColors = divider->palette();
    dividerColors.setColor(QPalette::Window, withOpacity(primary(this), 0.12));
    divider->setPalette(dividerColors);
    root->addWidget(divider);

    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* pageArea = new QWidget(scroll);
    auto* pageLayout = new QVBoxLayout(pageArea);
    pageLayout->setContentsMargins(20, 20, 20, 20);
    pageLayout->setSpacing(14);
    m_pages = new QStackedWidget(pageArea);
    m_pages->addWidget(buildGeneralPage());
    m_pages->addWidget(buildAboutPage());
    pageLayout->addWidget(m_pages);
    pageLayout->addStretch(1);
    scroll->setWidget(pageArea);
    root->addWidget(scroll, 1);

    m_refresh = new DeferredRefresh(this, [this] { refresh(); });
    m_refresh->observe(*m_appUpdateController);
    m_refresh->observe(*m_launchAtLoginController);
    if (m_isBatteryFriendly.observe)
        m_batteryObservation = m_isBatteryFriendly.observe([this] { m_refresh->schedule(); });
    refresh();
}

SettingsView::~SettingsView() = default;

std::optional<QString> SettingsView::launchAtLoginError() const {
    const auto& error = m_model->launchAtLoginError();
    return error ? std::optional(qText(*error)) : std::nullopt;
}

QWidget* SettingsView::buildSidebar() {
    auto* sidebar = new QWidget(this);
    sidebar->setFixedWidth(200);
    auto* layout = new QVBoxLayout(sidebar);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(12);
    layout->addWidget(makeTextLabel(qText(SettingsText::settings), kitFont(21, QFont::DemiBold),
                                    primary(this), sidebar));
    layout->addWidget(makeTextLabel(qText(SettingsText::appName), kitFont(12, QFont::Medium),
                                    secondary(this), sidebar));
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(6);
    buttons->setContentsMargins(0, 4, 0, 0);
    for (const SettingsTabModel& model : settingsTabs()) {
        auto* button = makeSettingsTabButton(
            model, tabLook(this), [this, tab = model.tab] { selectTab(tab); }, sidebar);
        // The sidebar's width, the selected title's line with the padding.
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        button->setFixedHeight(QFontMetrics(kitFont(13, QFont::DemiBold)).height() + 14);
        buttons->addWidget(button);
        m_tabButtons.push_back(button);
    }
    layout->addLayout(buttons);
    layout->addStretch(1);
    return sidebar;
}

QWidget* SettingsView::buildGeneralPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(makeTextLabel(qText(settingsTab(SettingsTab::general).title),
                                    kitFont(20, QFont::DemiBold), primary(this), page));
    layout->addWidget(makeTextLabel(qText(SettingsText::generalDetail), kitFont(13, QFont::Normal),
                                    secondary(this), page));

    auto* monitoring = makeCard(plainCard(this), page);
    m_batterySwitch = new ToggleSwitch(monitoring);
    m_batterySwitch->setAccessibleName(qText(SettingsText::batteryFriendly));
    connect(m_batterySwitch, &ToggleSwitch::clicked, this,
            [this](bool checked) { setBatteryFriendly(checked); });
    auto* batteryRow = switchRow(m_batterySwitch, qText(SettingsText::batteryFriendly),
                                 qText(SettingsText::batteryFriendlyDetail), monitoring);
    m_modeBadge = new CapsuleBadge(QString(),
                                   CapsuleBadgeStyle{kitFont(11, QFont::Medium), secondary(this),
                                                     withOpacity(primary(this), 0.08)},
                                   monitoring);
    batteryRow->addWidget(m_modeBadge, 0, Qt::AlignVCenter);
    monitoring->contentLayout()->addLayout(batteryRow);
    monitoring->contentLayout()->addWidget(makeTextLabel(qText(SettingsText::pausesWhileAsleep),
                                                         kitFont(12, QFont::Normal),
                                                         secondary(this), monitoring));
    layout->addWidget(monitoring);

    auto* launch = makeCard(plainCard(this), page);
    m_launchSwitch = new ToggleSwitch(launch);
    m_launchSwitch->setAccessibleName(qText(SettingsText::launchAtLogin));
    connect(m_launchSwitch, &ToggleSwitch::clicked, this,
            [this](bool checked) { setLaunchAtLogin(checked); });
    launch->contentLayout()->addLayout(switchRow(m_launchSwitch, qText(SettingsText::launchAtLogin),
                                                 qText(SettingsText::launchAtLoginDetail), launch));
    m_approvalRow = new QWidget(launch);
    auto* approval = new QHBoxLayout(m_approvalRow);
    approval->setContentsMargins(0, 0, 0, 0);
    approval->setSpacing(6);
    approval->addWidget(
        makeSymbol("exclamationmark.triangle.fill", 11, statusColor(StatusColor::orange), this));
    approval->addWidget(makeTextLabel(qText(SettingsText::windowApprovalNeeded),
                                      kitFont(11, QFont::Normal), secondary(this), m_approvalRow));
    auto* openSettings = new LinkButton(qText(SettingsText::windowOpenApproval), m_approvalRow);
    openSettings->setFont(kitFont(11));
    connect(openSettings, &QPushButton::clicked, this,
            [this] { m_launchAtLoginController->openLoginItemsSettings(); });
    approval->addWidget(openSettings);
    approval->addStretch(1);
    launch->contentLayout()->addWidget(m_approvalRow);
    layout->addWidget(launch);
    layout->addStretch(1);
    return page;
}

QWidget* SettingsView::buildBuildCard(QWidget* page) {
    auto* build = makeCard(plainCard(this), page);
    const KeyValueRowStyle rowStyle{kitFont(12, QFont::Medium), secondary(this),
                                    kitFont(13, QFont::DemiBold), primary(this)};
    for (const BuildInfoRow& row : windowBuildRows(m_buildMetadata))
        build->contentLayout()->addWidget(
            new KeyValueRow(qText(row.key), qText(row.value), rowStyle, build));
    return build;
}

QWidget* SettingsView::buildUpdateCard(QWidget* page) {
    const QColor blue = statusColor(StatusColor::blue);
    m_updateCard = makeCard(CardStyle{withOpacity(blue, 0.08), withOpacity(blue, 0.20)}, page);
    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(8);
    titleRow->addWidget(makeSymbol("arrow.down.circle.fill", 14, blue, this));
    // The version comes from the update service: elided, never wider than
    // the card.
    m_updateTitle =
        new FittingLabel(kitFont(13, QFont::DemiBold), primary(this), 1.0, m_updateCard);
    titleRow->addWidget(m_updateTitle, 1);
    m_updateCard->contentLayout()->addLayout(titleRow);
    m_releaseNotes =
        makeTextLabel(QString(), kitFont(12, QFont::Normal), secondary(this), m_updateCard);
    m_releaseNotes->setWordWrap(true);
    // Cut again whenever the width changes.
    m_releaseNotes->installEventFilter(this);
    m_updateCard->contentLayout()->addWidget(m_releaseNotes);
    auto* downloadRow = new QHBoxLayout;
    downloadRow->addStretch(1);
    m_downloadButton =
        new KitButton(prominentButtonLook(), qText(SettingsText::downloadUpdate), m_updateCard);
    m_downloadButton->onClick([this] { m_appUpdateController->openDownloadPage(); });
    downloadRow->addWidget(m_downloadButton);
    m_updateCard->contentLayout()->addLayout(downloadRow);
    return m_updateCard;
}

QHBoxLayout* SettingsView::buildFooter(QWidget* page) {
    auto* footer = new QHBoxLayout;
    auto* blurb = makeTextLabel(qText(SettingsText::windowAboutNote), kitFont(12, QFont::Normal),
                                secondary(this), page);
    blurb->setWordWrap(true);
    footer->addWidget(blurb, 1);
    m_checkButton = new KitButton(borderedButtonLook(this), QString(), page);
    auto* spinnerLayout = new QHBoxLayout(m_checkButton);
    spinnerLayout->setContentsMargins(0, 0, 0, 0);
    m_checkSpinner = new Spinner(16, m_checkButton);
    spinnerLayout->addWidget(m_checkSpinner, 0, Qt::AlignCenter);
    m_checkButton->onClick([this] { checkForUpdates(); });
    footer->addWidget(m_checkButton, 0, Qt::AlignVCenter);
    return footer;
}

QWidget* SettingsView::buildAboutPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(makeTextLabel(qText(settingsTab(SettingsTab::about).title),
                                    kitFont(20, QFont::DemiBold), primary(this), page));
    layout->addWidget(makeTextLabel(qText(SettingsText::aboutDetail), kitFont(13, QFont::Normal),
                                    secondary(this), page));

    layout->addWidget(buildBuildCard(page));

    layout->addWidget(buildUpdateCard(page));

    layout->addLayout(buildFooter(page));
    layout->addStretch(1);
    return page;
}

KitButton* SettingsView::tabButton(SettingsTab tab) const {
    return m_tabButtons.at(static_cast<std::size_t>(tab));
}

void SettingsView::selectTab(SettingsTab tab) {
    m_model->selectTab(tab);
    m_pages->setCurrentIndex(tab == SettingsTab::general ? 0 : 1);
    if (tab == SettingsTab::general && isVisible())
        generalPageAppeared();
    refresh();
}

void SettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_model->selectedTab() == SettingsTab::general)
        generalPageAppeared();
}

void SettingsView::generalPageAppeared() {
    m_launchAtLoginController->refreshStatus();
}

void SettingsView::setBatteryFriendly(bool value) {
    // Only the stored key: the running monitors keep their pace until the
    // next start.
    m_isBatteryFriendly.write(value);
    refresh();
}

void SettingsView::setLaunchAtLogin(bool value) {
    m_model->setLaunchAtLogin(*m_launchAtLoginController, value);
    if (const auto error = launchAtLoginError()) {
        showNonBlockingAlert(this, qText(SettingsText::launchAtLoginAlertTitle), *error,
                             qText(SettingsText::launchAtLoginAlertButton),
                             [model = std::weak_ptr(m_model)] {
                                 if (auto alive = model.lock())
                                     alive->dismissLaunchAtLoginError();
                             });
    }
    // The switch shows what the controller reports, not the click.
    refresh();
}

void SettingsView::checkForUpdates() {
    m_model->checkForUpdates(m_appUpdateController);
    refresh();
}

void SettingsView::refresh() {
    showSelectedTab(m_tabButtons, m_model->selectedTab());

    const bool batteryFriendly = m_isBatteryFriendly.read();
    m_batterySwitch->setChecked(batteryFriendly);
    m_modeBadge->setText(qText(batteryModeChipText(batteryFriendly)));
    m_modeBadge->adjustSize();

    m_launchSwitch->setChecked(m_launchAtLoginController->isEnabled().get());
    m_approvalRow->setVisible(m_launchAtLoginController->requiresApproval().get());

    const auto& update = m_appUpdateController->availableUpdate().get();
    m_updateCard->setVisible(update.has_value());
    if (update) {
        m_updateTitle->setText(qText(windowUpdateTitle(update->version)));
        const bool hasNotes = showsReleaseNotes(update->releaseNotes);
        m_releaseNotes->setVisible(hasNotes);
        m_releaseNotesText = hasNotes ? qText(*update->releaseNotes) : QString();
        showReleaseNotes();
    }

    const bool checking = m_model->isCheckingForUpdate();
    m_checkButton->setEnabled(!checking);
    m_checkButton->setText(qText(m_model->checkButtonTitle()));
    m_checkSpinner->setVisible(checking);
    // While it spins the button is the spinner's size with its padding;
    // otherwise its title's.
    if (checking) {
        m_checkButton->setFixedWidth(m_checkSpinner->width() + 16);
    } else {
        m_checkButton->setMinimumWidth(0);
        m_checkButton->setMaximumWidth(QWIDGETSIZE_MAX);
    }
}

bool SettingsView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_releaseNotes && event->type() == QEvent::Resize)
        showReleaseNotes();
    return QWidget::eventFilter(watched, event);
}

void SettingsView::showReleaseNotes() {
    const int width = m_releaseNotes->width() > 50 ? m_releaseNotes->width() : 400;
    const QString shown = elidedToLines(m_releaseNotesText, m_releaseNotes->font(), width, 3);
    if (m_releaseNotes->text() != shown)
        m_releaseNotes->setText(shown);
    m_releaseNotes->setAccessibleDescription(m_releaseNotesText);
}

} // namespace lumra
