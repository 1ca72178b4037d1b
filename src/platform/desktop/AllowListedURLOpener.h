// Which addresses the desktop may be asked to open: web pages over http or
// https, and files that exist. Anything else (another system's settings deep
// links, mail, custom schemes, missing files) answers false without reaching
// the desktop, so callers' fallbacks apply. The desktop opener derives from
// AllowListedURLOpener and only implements openAllowed.
#pragma once

#include "platform/desktop/URLOpening.h"

namespace lumra {

// http or https (any case) with a host, or a file: address without a host
// (or "localhost") whose path names something that exists.
bool isOpenableURL(const Url& url);

class AllowListedURLOpener : public URLOpening {
public:
    bool open(const Url& url) final { return isOpenableURL(url) && openAllowed(url); }

protected:
    // Only ever called with an address isOpenableURL accepts.
    virtual bool openAllowed(const Url& url) = 0;
};

} // namespace lumra
