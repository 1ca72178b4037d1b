// The update service's answer as any server might send it.
#include "shell/update/AvailableUpdate.h"
#include "tests/fuzz/FuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)lumra::AvailableUpdate::decode(lumra::fuzz::text(data, size));
    return 0;
}
