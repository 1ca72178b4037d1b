// Child of the crash test: continues the counter stored under "payload" and
// rewrites that key as fast as it can until it is killed.
#include "DefaultsPayload.h"
#include "platform/defaults/DefaultsStore.h"

#include <fmt/format.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        fmt::print(stderr, "usage: {} DIRECTORY\n", argv[0]);
        return 2;
    }
    lumra::DefaultsStore store(argv[1]);
    const auto stored = store.stringForKey("payload");
    std::int64_t counter = stored ? lumra::test::payloadCounter(*stored).value_or(-1) : 0;
    if (counter < 0) {
        fmt::print(stderr, "the stored payload is damaged\n");
        return 1;
    }
    for (;;)
        store.setString("payload", lumra::test::payloadFor(++counter));
}
