// The internet target pinged unless the user chose another: a well-known
// public resolver. Also the registered default of the internet-target setting.
#pragma once

namespace lumra {

inline constexpr const char* builtInInternetTarget = "1.1.1.1";

} // namespace lumra
