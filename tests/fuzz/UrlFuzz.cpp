// Url parsing of any text, absolute and against a base: no crash, and a
// parsed address parses again from its own text.
#include "model/Url.h"
#include "tests/fuzz/FuzzTarget.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using lumra::Url;
    const std::string_view text = lumra::fuzz::text(data, size);
    static const Url base = *Url::parse("https://example.invalid/a/b?c#d");
    if (auto url = Url::parse(text)) {
        if (!Url::parse(url->absoluteString()))
            std::abort();
    }
    (void)Url::parse(text, base);
    return 0;
}
