// The information table written into the build when it was configured: the
// version, the build number (a plain integer), the build identifier, the
// release date and the update service's addresses, each only when it was set.
#pragma once

#include "platform/bundle/Bundle.h"

namespace lumra {

Bundle::InfoDictionary builtInBundleInformation();

} // namespace lumra
