#include "platform/http/HttpHeaders.h"

#include <algorithm>

namespace lumra {

namespace {

char lowered(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowered(x) == lowered(y);
           });
}

} // namespace

HttpHeaders::HttpHeaders(std::initializer_list<HttpHeaderField> fields) : m_fields(fields) {}

void HttpHeaders::set(std::string name, std::string value) {
    std::erase_if(m_fields,
                  [&](const HttpHeaderField& field) { return sameName(field.name, name); });
    add(std::move(name), std::move(value));
}

void HttpHeaders::add(std::string name, std::string value) {
    m_fields.push_back(HttpHeaderField{std::move(name), std::move(value)});
}

std::optional<std::string> HttpHeaders::value(std::string_view name) const {
    std::optional<std::string> joined;
    for (const HttpHeaderField& field : m_fields) {
        if (!sameName(field.name, name))
            continue;
        if (joined)
            joined->append(", ").append(field.value);
        else
            joined = field.value;
    }
    return joined;
}

} // namespace lumra
