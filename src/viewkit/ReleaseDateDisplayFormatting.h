// Formats a moment as a date for the About pages: the long date style, no
// time, in the user's time zone. The Qt layer supplies the user's locale;
// the built-in formatter writes US English ("December 10, 2026").
#pragma once

#include <chrono>
#include <string>

namespace lumra {

class ReleaseDateDisplayFormatting {
public:
    virtual ~ReleaseDateDisplayFormatting() = default;
    virtual std::string format(std::chrono::system_clock::time_point date) const = 0;
};

// US English long dates in the local time zone (TZ), read at every call.
class EnglishLongDateFormatter final : public ReleaseDateDisplayFormatting {
public:
    std::string format(std::chrono::system_clock::time_point date) const override;
};

} // namespace lumra
