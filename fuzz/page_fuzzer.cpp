// Page bytes: load, taming, conversion, preview and import into a project.

#include "fuzz/fuzztargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tavro::fuzz::feedPage(data, size);
  return 0;
}
