// The colour role of the export window's action line.
#pragma once

namespace lumra {

// White at 72 %, green or red at 90 %.
enum class ActionMessageTone {
    secondary,
    success,
    error,
};

} // namespace lumra
