#include "util/allocator.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tavro::util {

void tuneAllocator() {
#if defined(__GLIBC__)
  ::mallopt(M_MXFAST, 0);
#endif
}

} // namespace tavro::util
