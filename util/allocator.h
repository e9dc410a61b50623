#pragma once

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

} // namespace tavro::util
