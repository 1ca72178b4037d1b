// The entry point every fuzz target defines. Built with clang's libFuzzer in
// the fuzz preset; in every other build a small driver (ReplayMain.cpp)
// feeds it the committed seed corpus, so the corpus runs in ordinary tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace lumra::fuzz {

inline std::string_view text(const std::uint8_t* data, std::size_t size) {
    return std::string_view(reinterpret_cast<const char*>(data), size);
}

} // namespace lumra::fuzz
