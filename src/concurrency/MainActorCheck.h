// The sequence check of main-actor state: Published values and will-change
// signals are touched only on the main actor's thread. Debug builds assert
// it; release builds compile the check away.
#pragma once

#include <cassert>

namespace lumra {

// True on the main actor's thread; also without a runtime, or before its main
// actor is bound, where there is nothing to check against.
bool isOnMainActorOrUnchecked() noexcept;

} // namespace lumra

#define LUMRA_ASSERT_MAIN_ACTOR(message) assert(::lumra::isOnMainActorOrUnchecked() && message)
