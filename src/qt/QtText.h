// The one bridge from the core's UTF-8 strings to Qt's and back.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace lumra {

inline QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string stdText(const QString& text) {
    return text.toStdString();
}

} // namespace lumra
