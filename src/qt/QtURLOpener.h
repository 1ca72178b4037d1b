// Opens allowed addresses with the desktop (QDesktopServices: the user's
// browser or the file's handler). Main thread.
#pragma once

#include "platform/desktop/AllowListedURLOpener.h"

namespace lumra {

class QtURLOpener final : public AllowListedURLOpener {
protected:
    bool openAllowed(const Url& url) override;
};

} // namespace lumra
