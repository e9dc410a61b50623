#include "conversion/frames.h"

#include "platform/fs/filesystem.h"

namespace tavro::conversion {

std::string frameAddress(const std::string& address, const std::string& frameSource) {
  // Only the page's own file name is replaced; a folder that happens to share its name keeps it.
  const std::string folder = fs::getParentFolderName(address);
  return folder.empty() ? frameSource : fs::joinPath(folder, frameSource);
}

} // namespace tavro::conversion
