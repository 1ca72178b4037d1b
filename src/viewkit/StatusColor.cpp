#include "viewkit/StatusColor.h"

#include <array>
#include <cstddef>

namespace lumra {

StatusRgba statusRgba(StatusColor color) {
    // Indexed by StatusColor.
    static constexpr std::array<StatusRgba, statusColorCount> table = {{
        {48, 209, 88},        // green
        {255, 159, 10},       // orange
        {255, 69, 58},        // red
        {255, 214, 10},       // yellow
        {10, 132, 255},       // blue
        {142, 142, 147},      // gray
        {255, 255, 255},      // white
        {235, 235, 245, 153}, // secondary
        {10, 132, 255},       // accent
        {255, 255, 255, 115}, // muted
        {66, 214, 125},       // mint
        {128, 128, 128},      // halfGray
    }};
    return table.at(static_cast<std::size_t>(color));
}

} // namespace lumra
