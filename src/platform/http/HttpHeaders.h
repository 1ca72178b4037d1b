// Header fields of a request or a response, in the order they were set or
// arrived. Names compare without regard to case, as HTTP defines them.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumra {

struct HttpHeaderField {
    std::string name;
    std::string value;

    bool operator==(const HttpHeaderField&) const = default;
};

class HttpHeaders {
public:
    HttpHeaders() = default;
    HttpHeaders(std::initializer_list<HttpHeaderField> fields);

    // Replaces every field of that name (in any case) with one field.
    void set(std::string name, std::string value);
    // Adds a field after the others, keeping fields of the same name.
    void add(std::string name, std::string value);

    // The field's value; several fields of that name are joined with ", " in
    // their order, which is how HTTP combines repeated fields.
    std::optional<std::string> value(std::string_view name) const;

    const std::vector<HttpHeaderField>& fields() const noexcept { return m_fields; }
    bool empty() const noexcept { return m_fields.empty(); }
    void clear() noexcept { m_fields.clear(); }

    bool operator==(const HttpHeaders&) const = default;

private:
    std::vector<HttpHeaderField> m_fields;
};

} // namespace lumra
