// Counts the TCP sockets in the states that show connection pressure in
// the listing of "netstat -n -p tcp". Pure, any thread.
#pragma once

#include "model/TCPConnectionStateCounts.h"

#include <string_view>

namespace lumra {

// Lines whose first field begins with "tcp" in any letter case count by
// their last field, punctuation stripped and compared in upper case with
// ESTABLISHED, TIME_WAIT and CLOSE_WAIT. Never fails: no such line, zeros.
TCPConnectionStateCounts parseTCPStateCounts(std::string_view output);

} // namespace lumra
