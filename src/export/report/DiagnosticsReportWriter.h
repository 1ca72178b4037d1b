// Writes a report as its JSON document: pretty-printed, the members of every
// object sorted by key, absent values left out (never null), dates in
// RFC 3339 UTC to the whole second, UTF-8.
#pragma once

#include "export/report/DiagnosticsExportReport.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace lumra {

// The report could not be written: a number without a JSON form. Bytes of a
// text that are not UTF-8 are written as U+FFFD instead.
class DiagnosticsReportEncodingError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws DiagnosticsReportEncodingError; nothing is written in place of a
// value that has no JSON form.
std::string diagnosticsJSONString(const DiagnosticsExportReport& report);

// The text that stands for a report the writer could not write.
inline constexpr std::string_view diagnosticsExportFallbackText =
    R"({ "error": "Unable to encode diagnostics export." })";

// The report's JSON text, or the fallback text when writing fails.
std::string diagnosticsReportTextOrFallback(const DiagnosticsExportReport& report);

// 2026-03-01T09:05:07Z: UTC, fractions of a second dropped.
std::string rfc3339UtcText(std::chrono::system_clock::time_point date);

} // namespace lumra
