#include "util/version.h"

namespace tavro {

const char* version() { return TAVRO_VERSION; }

} // namespace tavro
