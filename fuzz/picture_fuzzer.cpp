// Picture bytes: load, resize, every dither, both writers.

#include "fuzz/fuzztargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tavro::fuzz::feedPicture(data, size);
  return 0;
}
