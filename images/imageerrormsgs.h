#pragma once
// The messages the user sees for the imaging component's failure codes.

#include <cstdint>
#include <string>

namespace tavro::images {

/// When lError has a message, stores it in strMsg and returns true; otherwise returns false
/// and leaves strMsg alone (0, 2, 14, 19, 25 and above and negative codes have none).
bool ImageErrorMsgs(std::int32_t lError, std::string& strMsg);

} // namespace tavro::images
