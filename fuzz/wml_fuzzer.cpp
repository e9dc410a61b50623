// WML bytes: the export transformation and the written HTML file.

#include "fuzz/fuzztargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tavro::fuzz::feedWml(data, size);
  return 0;
}
