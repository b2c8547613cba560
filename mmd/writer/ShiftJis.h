#pragma once

#include <string>

namespace mmd {

// Encodes UTF-8 text as Shift-JIS (code page 932) bytes, the way MMD tools store VMD and VPD names.
// Characters without a code page 932 form become "?"; invalid UTF-8 likewise.
std::string ToShiftJis(const std::string& utf8);

}  // namespace mmd
