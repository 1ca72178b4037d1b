// Opening an address with the desktop: a web page in the user's browser, a
// file or application with its handler. Main actor.
#pragma once

#include "model/Url.h"

namespace lumra {

class URLOpening {
public:
    virtual ~URLOpening() = default;
    // Whether the address was handed to the desktop.
    virtual bool open(const Url& url) = 0;
};

} // namespace lumra
