#include "qt/QtURLOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace lumra {

bool QtURLOpener::openAllowed(const Url& url) {
    const QUrl address(QString::fromStdString(url.absoluteString()), QUrl::StrictMode);
    return address.isValid() && QDesktopServices::openUrl(address);
}

} // namespace lumra
