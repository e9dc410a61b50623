#pragma once

#if defined(TAVRO_WITH_MIMALLOC)
#include <mimalloc.h>
#endif

namespace tavro::util {

/// Sets up the C allocator for the way the engines use memory, for programs that own their
/// process (the command line tool, the stand-in host, the benchmarks); the add-in leaves its
/// host's allocator alone.
///
/// A page's trees are a great many small blocks that are all freed at once when a pass is
/// done, followed by large blocks for the next pass's text. glibc keeps small freed blocks
/// apart ("fast bins") and merges them all later, on the next large request; on a 1 MB page
/// that merging alone took a tenth of an import. Merging at once, as blocks are freed, is
/// cheaper for this pattern.
void tuneAllocator();

/// For programs linked with mimalloc (built with TAVRO_WITH_MIMALLOC); nothing elsewhere.
///
/// A large page's trees fill hundreds of megabytes, freed pass by pass and filled again by the
/// next: mimalloc keeps what it has committed for the rest of the run instead of handing it
/// back between passes and faulting it in again. It is not asked for huge pages: where the
/// system gives them only on request, each fault of one may stop to compact memory, and on a
/// machine whose memory is fragmented that cost a large conversion a quarter of its time.
inline void tuneMimalloc() {
#if defined(TAVRO_WITH_MIMALLOC)
  mi_option_disable(mi_option_allow_decommit);
#endif
}

} // namespace tavro::util
