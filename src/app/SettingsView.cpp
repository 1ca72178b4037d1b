#include "app/SettingsView.h"

#include "panel/viewmodel/OverlayCardModels.h"
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
#include "qt/SymbolRegistry.h"
#include "qt/ToggleSwitch.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace lumra {

namespace {

QColor primary(const QWidget* widget) {
    return widget->palette().color(QPalette::WindowText);
}
QColor secondary(const QWidget* widget) {
    return withOpacity(primary(widget), 0.55);
}

QLabel* makeLabel(const QString& content, double size, QFont::Weight weight, const QColor& color,
                  QWidget* parent) {
    return makeTextLabel(content, kitFont(size, weight), color, parent);
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

// A switch, its title over its subtitle, and room to the right.
QHBoxLayout* switchRow(ToggleSwitch* toggle, const QString& title, const QString& subtitle,
                       QWidget* parent) {
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    row->addWidget(toggle, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    for (QLabel* label : {makeLabel(title, 13, QFont::DemiBold, primary(parent), parent),
                          makeLabel(subtitle, 12, QFont::Normal, secondary(parent), parent)}) {
        label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        texts->addWidget(label);
    }
    row->addLayout(texts);
    row->addSpacing(8);
    row->addStretch(1);
    return row;
}

} // namespace

SettingsView::SettingsView(std::shared_ptr<AppUpdateController> appUpdateController,
                           std::shared_ptr<DefaultsStore> userDefaults, PlatformServices services,
                           AppBuildMetadataDisplayInfo buildMetadata, QWidget* parent)
    : QWidget(parent), m_appUpdateController(std::move(appUpdateController)),
      m_userDefaults(std::move(userDefaults)),
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
    m_batteryKeyObservation =
        m_userDefaults->observe(batteryFriendlyKey, [this] { m_refresh->schedule(); });
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
    layout->addWidget(
        makeLabel(QStringLiteral("Settings"), 21, QFont::DemiBold, primary(this), sidebar));
    layout->addWidget(
        makeLabel(QStringLiteral("Lumra"), 12, QFont::Medium, secondary(this), sidebar));
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(6);
    buttons->setContentsMargins(0, 4, 0, 0);
    for (const SettingsTabModel& model : settingsTabs()) {
        const SettingsTab tab = model.tab;
        // The symbol and the title are labels of their own: 8 between them.
        auto* button = new QToolButton(sidebar);
        button->setAccessibleName(qText(model.title));
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        button->setCursor(Qt::PointingHandCursor);
        auto* row = new QHBoxLayout(button);
        row->setContentsMargins(10, 7, 10, 7);
        row->setSpacing(8);
        auto* symbol = new QLabel(button);
        symbol->setObjectName(QStringLiteral("tabSymbol"));
        symbol->setFixedSize(12, 12);
        auto* title = new QLabel(qText(model.title), button);
        title->setObjectName(QStringLiteral("tabTitle"));
        title->setTextFormat(Qt::PlainText);
        row->addWidget(symbol, 0, Qt::AlignVCenter);
        row->addWidget(title, 1, Qt::AlignVCenter);
        button->setFixedHeight(QFontMetrics(kitFont(13, QFont::DemiBold)).height() + 14);
        connect(button, &QToolButton::clicked, this, [this, tab] { selectTab(tab); });
        buttons->addWidget(button);
        m_tabButtons.emplace_back(tab, button);
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
    layout->addWidget(
        makeLabel(QStringLiteral("General"), 20, QFont::DemiBold, primary(this), page));
    layout->addWidget(makeLabel(QStringLiteral("Manage app behavior and monitoring defaults."), 13,
                                QFont::Normal, secondary(this), page));

    auto* monitoring = makeCard(plainCard(this), page);
    m_batterySwitch = new ToggleSwitch(monitoring);
    m_batterySwitch->setAccessibleName(QStringLiteral("Battery friendly"));
    connect(m_batterySwitch, &ToggleSwitch::clicked, this,
            [this](bool checked) { setBatteryFriendly(checked); });
    auto* batteryRow =
        switchRow(m_batterySwitch, QStringLiteral("Battery friendly"),
                  QStringLiteral("Fast while open, slower in background."), monitoring);
    m_modeBadge = new CapsuleBadge(QString(),
                                   CapsuleBadgeStyle{kitFont(11, QFont::Medium), secondary(this),
                                                     withOpacity(primary(this), 0.08)},
                                   monitoring);
    batteryRow->addWidget(m_modeBadge, 0, Qt::AlignVCenter);
    monitoring->contentLayout()->addLayout(batteryRow);
    monitoring->contentLayout()->addWidget(
        makeLabel(QStringLiteral("Monitoring also pauses automatically while your Mac sleeps."), 12,
                  QFont::Normal, secondary(this), monitoring));
    layout->addWidget(monitoring);

    auto* launch = makeCard(plainCard(this), page);
    m_launchSwitch = new ToggleSwitch(launch);
    m_launchSwitch->setAccessibleName(QStringLiteral("Launch at login"));
    connect(m_launchSwitch, &ToggleSwitch::clicked, this,
            [this](bool checked) { setLaunchAtLogin(checked); });
    launch->contentLayout()->addLayout(
        switchRow(m_launchSwitch, QStringLiteral("Launch at login"),
                  QStringLiteral("Start Lumra automatically when you log in."), launch));
    m_approvalRow = new QWidget(launch);
    auto* approval = new QHBoxLayout(m_approvalRow);
    approval->setContentsMargins(0, 0, 0, 0);
    approval->setSpacing(6);
    approval->addWidget(
        makeSymbol("exclamationmark.triangle.fill", 11, statusColor(StatusColor::orange), this));
    approval->addWidget(makeLabel(QStringLiteral("Requires approval in System Settings"), 11,
                                  QFont::Normal, secondary(this), m_approvalRow));
    auto* openSettings = new LinkButton(QStringLiteral("Open Settings"), m_approvalRow);
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
    const std::pair<const char*, std::string> rows[] = {
        {"Current Version", m_buildMetadata.version},
        {"Build ID", m_buildMetadata.buildID},
        {"Release Date", m_buildMetadata.releaseDate},
        {"Build Channel", "Stable"}};
    for (const auto& [key, value] : rows)
        build->contentLayout()->addWidget(new KeyValueRow(
            QString::fromLatin1(key), QString::fromStdString(value), rowStyle, build));
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
    m_releaseNotes = makeLabel(QString(), 12, QFont::Normal, secondary(this), m_updateCard);
    m_releaseNotes->setWordWrap(true);
    // Cut again whenever the width changes.
    m_releaseNotes->installEventFilter(this);
    m_updateCard->contentLayout()->addWidget(m_releaseNotes);
    auto* downloadRow = new QHBoxLayout;
    downloadRow->addStretch(1);
    m_downloadButton = new QPushButton(QStringLiteral("Download Update"), m_updateCard);
    // The prominent style: the accent colour with white text.
    m_downloadButton->setStyleSheet(
        QStringLiteral("QPushButton { border: none; border-radius: 5px; padding: 4px 12px; "
                       "color: white; background: %1; } "
                       "QPushButton:pressed { background: %2; }")
            .arg(statusColor(StatusColor::accent).name(),
                 statusColor(StatusColor::accent).darker(120).name()));
    connect(m_downloadButton, &QPushButton::clicked, this,
            [this] { m_appUpdateController->openDownloadPage(); });
    downloadRow->addWidget(m_downloadButton);
    m_updateCard->contentLayout()->addLayout(downloadRow);
    return m_updateCard;
}

QHBoxLayout* SettingsView::buildFooter(QWidget* page) {
    auto* footer = new QHBoxLayout;
    auto* blurb = makeLabel(QStringLiteral("Built to monitor signal quality, latency, DNS health "
                                           "and channel congestion in one place."),
                            12, QFont::Normal, secondary(this), page);
    blurb->setWordWrap(true);
    footer->addWidget(blurb, 1);
    m_checkButton = new QPushButton(page);
    auto* spinnerLayout = new QHBoxLayout(m_checkButton);
    spinnerLayout->setContentsMargins(0, 0, 0, 0);
    m_checkSpinner = new Spinner(16, m_checkButton);
    spinnerLayout->addWidget(m_checkSpinner, 0, Qt::AlignCenter);
    connect(m_checkButton, &QPushButton::clicked, this, [this] { checkForUpdates(); });
    footer->addWidget(m_checkButton, 0, Qt::AlignVCenter);
    return footer;
}

QWidget* SettingsView::buildAboutPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(makeLabel(QStringLiteral("About"), 20, QFont::DemiBold, primary(this), page));
    layout->addWidget(makeLabel(
        QStringLiteral("Network diagnostics for quick, actionable Wi-Fi troubleshooting."), 13,
        QFont::Normal, secondary(this), page));

    layout->addWidget(buildBuildCard(page));

    layout->addWidget(buildUpdateCard(page));

    layout->addLayout(buildFooter(page));
    layout->addStretch(1);
    return page;
}

QToolButton* SettingsView::tabButton(SettingsTab tab) const {
    for (const auto& [candidate, button] : m_tabButtons) {
        if (candidate == tab)
            return button;
    }
    return nullptr;
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
    m_userDefaults->setBool(batteryFriendlyKey, value);
    refresh();
}

void SettingsView::setLaunchAtLogin(bool value) {
    m_model->setLaunchAtLogin(*m_launchAtLoginController, value);
    if (const auto error = launchAtLoginError()) {
        showNonBlockingAlert(this, QStringLiteral("Launch at Login"), *error, QStringLiteral("OK"),
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
    const QColor accent = statusColor(StatusColor::accent);
    const auto tabs = settingsTabs();
    for (const auto& [tab, button] : m_tabButtons) {
        const bool selected = tab == m_model->selectedTab();
        const QColor foreground = selected ? accent : primary(this);
        const SettingsTabModel& model = tabs[static_cast<std::size_t>(tab)];
        button->findChild<QLabel*>(QStringLiteral("tabSymbol"))
            ->setPixmap(symbolPixmap(qText(model.symbolName), QSizeF(12, 12), foreground,
                                     devicePixelRatioF()));
        auto* title = button->findChild<QLabel*>(QStringLiteral("tabTitle"));
        title->setFont(kitFont(13, selected ? QFont::DemiBold : QFont::Medium));
        setLabelColor(title, foreground);
        button->setStyleSheet(
            QStringLiteral("QToolButton { border: none; border-radius: 8px; background: %1; }")
                .arg(selected ? withOpacity(accent, 0.14).name(QColor::HexArgb)
                              : QStringLiteral("transparent")));
    }

    const bool batteryFriendly = m_userDefaults->boolForKey(batteryFriendlyKey);
    m_batterySwitch->setChecked(batteryFriendly);
    m_modeBadge->setText(qText(batteryModeChipText(batteryFriendly)));
    m_modeBadge->adjustSize();

    m_launchSwitch->setChecked(m_launchAtLoginController->isEnabled().get());
    m_approvalRow->setVisible(m_launchAtLoginController->requiresApproval().get());

    const auto& update = m_appUpdateController->availableUpdate().get();
    m_updateCard->setVisible(update.has_value());
    if (update) {
        m_updateTitle->setText(QStringLiteral("Update Available: v") +
                               QString::fromStdString(update->version));
        const bool hasNotes = update->releaseNotes && !update->releaseNotes->empty();
        m_releaseNotes->setVisible(hasNotes);
        m_releaseNotesText = hasNotes ? QString::fromStdString(*update->releaseNotes) : QString();
        showReleaseNotes();
    }

    const bool checking = m_model->isCheckingForUpdate();
    m_checkButton->setEnabled(!checking);
    m_checkButton->setText(checking ? QString() : QStringLiteral("Check for Updates"));
    m_checkSpinner->setVisible(checking);
    // While it spins the button is the spinner's size with its padding.
    if (checking) {
        m_checkButton->setFixedWidth(m_checkSpinner->width() + 16);
    } else {
        m_checkButton->setMinimumWidth(
            m_checkButton->fontMetrics().horizontalAdvance(QStringLiteral("Check for Updates")) +
            24);
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
