// Manifest bytes: opening a project, adding a document, opening it again.

#include "fuzz/fuzztargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tavro::fuzz::feedManifest(data, size);
  return 0;
}
