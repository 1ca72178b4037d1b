#include "platform/process/BoundedOutput.h"

#include "model/UnicodeText.h"

#include <algorithm>
#include <utility>

namespace lumra {

namespace {

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Text without a character the cut left unfinished at its end.
std::string_view withoutUnfinishedEnd(std::string_view text) {
    std::size_t start = text.size();
    while (start > 0 && text.size() - start < 4 && isContinuationByte(text[start - 1]))
        --start;
    if (start == 0)
        return text;
    --start; // the byte that begins the last character
    const DecodedCodePoint last = decodeUtf8At(text, start);
    const bool unfinished =
        last.value == invalidCodePoint && static_cast<unsigned char>(text[start]) >= 0xC0;
    return unfinished ? text.substr(0, start) : text;
}

} // namespace

void BoundedOutput::append(std::string_view bytes) {
    if (!m_cut) {
        if (bytes.size() <= m_limit - m_head.size()) {
            m_head.append(bytes);
            return;
        }
        m_cut = true;
        const std::size_t fromHead = std::min(half(), m_head.size());
        m_tail.assign(m_head, fromHead);
        m_head.resize(fromHead);
        const std::size_t stillHead = std::min(half() - m_head.size(), bytes.size());
        m_head.append(bytes.substr(0, stillHead));
        bytes.remove_prefix(stillHead);
    }
    m_tail.append(bytes);
    if (m_tail.size() > 2 * half())
        m_tail.erase(0, m_tail.size() - half());
}

std::string BoundedOutput::take() {
    if (!m_cut)
        return std::exchange(m_head, {});
    // The head up to its last line end, or to a character boundary.
    std::string_view head = m_head;
    if (const auto lastBreak = head.rfind('\n'); lastBreak != std::string_view::npos)
        head = head.substr(0, lastBreak + 1);
    else
        head = withoutUnfinishedEnd(head);
    // The tail from its first whole line, or from a character's start.
    std::string_view tail = m_tail;
    if (tail.size() > half())
        tail.remove_prefix(tail.size() - half());
    if (const auto firstBreak = tail.find('\n'); firstBreak != std::string_view::npos)
        tail.remove_prefix(firstBreak + 1);
    else {
        while (!tail.empty() && isContinuationByte(tail.front()))
            tail.remove_prefix(1);
    }
    std::string kept;
    kept.reserve(head.size() + tail.size());
    kept.append(head).append(tail);
    m_head.clear();
    m_tail.clear();
    m_cut = false;
    return kept;
}

} // namespace lumra
