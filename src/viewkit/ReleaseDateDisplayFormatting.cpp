#include "viewkit/ReleaseDateDisplayFormatting.h"

#include <array>
#include <ctime>
#include <fmt/format.h>

namespace lumra {

std::string EnglishLongDateFormatter::format(std::chrono::system_clock::time_point date) const {
    static constexpr std::array<const char*, 12> months = {
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December"};
    const auto seconds = std::chrono::floor<std::chrono::seconds>(date);
    const std::time_t time = static_cast<std::time_t>(seconds.time_since_epoch().count());
    std::tm local{};
    if (::localtime_r(&time, &local) == nullptr)
        return {};
    return fmt::format("{} {}, {}", months[static_cast<std::size_t>(local.tm_mon)], local.tm_mday,
                       local.tm_year + 1900);
}

} // namespace lumra
