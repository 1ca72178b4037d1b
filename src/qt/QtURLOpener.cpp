#include "qt/QtURLOpener.h"

#include "qt/QtText.h"

#include <QDesktopServices>
#include <QUrl>

namespace lumra {

bool QtURLOpener::openAllowed(const Url& url) {
    const QUrl address(qText(url.absoluteString()), QUrl::StrictMode);
    return address.isValid() && QDesktopServices::openUrl(address);
}

} // namespace lumra
