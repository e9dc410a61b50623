#pragma once

namespace tavro {

/// The version of the add-in and its tools.
const char* version();

} // namespace tavro
