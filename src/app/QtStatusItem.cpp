#include "app/QtStatusItem.h"

#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <QWidget>
#include <algorithm>
#include <iterator>

namespace lumra {

namespace {

// Health states times the colourful setting, with room to spare.
constexpr std::size_t maximumCachedIcons = 12;

// The picture's size, scale and pixels: equal keys, equal pictures.
QByteArray pictureKey(const QImage& image) {
    const QImage normalised = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QByteArray key = QByteArray::number(normalised.width()) + 'x' +
                     QByteArray::number(normalised.height()) + '@' +
                     QByteArray::number(normalised.devicePixelRatio()) + ':';
    key.append(reinterpret_cast<const char*>(normalised.constBits()),
               static_cast<qsizetype>(normalised.sizeInBytes()));
    return key;
}

} // namespace

QtStatusItem::QtStatusItem() {
    QObject::connect(m_menu.addAction(QStringLiteral("Settings\u2026")), &QAction::triggered,
                     &m_menu, [this] {
                         if (m_actions.onOpenSettings)
                             m_actions.onOpenSettings();
                     });
    m_menu.addSeparator();
    QObject::connect(m_menu.addAction(QStringLiteral("Quit Lumra")), &QAction::triggered, &m_menu,
                     [this] {
                         if (m_actions.onQuit)
                             m_actions.onQuit();
                     });
    m_trayIcon.setContextMenu(&m_menu);
    QObject::connect(&m_trayIcon, &QSystemTrayIcon::activated, &m_menu,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         // The pointer is where the click happened: hosts that
                         // do not tell the icon's place still show it there. The
                         // second press of a quick pair arrives as a double click:
                         // each press toggles, as a single click does.
                         const bool click = reason == QSystemTrayIcon::Trigger ||
                                            reason == QSystemTrayIcon::DoubleClick;
                         if (click && m_actions.onTrigger)
                             m_actions.onTrigger(QCursor::pos());
                     });
}

QtStatusItem::~QtStatusItem() {
    m_trayIcon.hide();
    m_trayIcon.setContextMenu(nullptr);
}

void QtStatusItem::setActions(StatusItemActions actions) {
    m_actions = std::move(actions);
}

void QtStatusItem::setImage(const QImage& image) {
    // One icon per picture: Qt's pixmap cache keeps what it scaled for each
    // icon it painted, so a new icon for a picture already seen would add
    // an entry every time.
    const QByteArray key = pictureKey(image);
    auto found = std::find_if(m_icons.begin(), m_icons.end(),
                              [&key](const CachedIcon& cached) { return cached.key == key; });
    if (found == m_icons.end()) {
        if (m_icons.size() >= maximumCachedIcons)
            m_icons.erase(m_icons.begin());
        QIcon icon;
        icon.addPixmap(QPixmap::fromImage(image));
        m_icons.push_back({key, icon});
        found = std::prev(m_icons.end());
    }
    if (m_shownKey != key) {
        m_shownKey = key;
        m_trayIcon.setIcon(found->icon);
    }
    // Shown with its first image: an item without one has nothing to show.
    if (!m_trayIcon.isVisible())
        m_trayIcon.show();
}

void QtStatusItem::setAccessibilityText(const QString& text) {
    // The tray carries no accessible name of its own; the menu is the item's
    // one accessible object.
    m_menu.setAccessibleName(text);
}

void QtStatusItem::setToolTip(const QString& text) {
    m_trayIcon.setToolTip(text);
}

QRect QtStatusItem::geometry() const {
    return m_trayIcon.geometry();
}

bool QtStatusItem::isItemWidget(const QWidget* widget) const {
    // The XEmbed icon is a widget of Qt's own, embedded in the tray.
    return widget != nullptr &&
           qstrcmp(widget->window()->metaObject()->className(), "QSystemTrayIconSys") == 0;
}

bool QtStatusItem::isTrayThere() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

} // namespace lumra
