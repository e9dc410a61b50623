#include "images/imageerrormsgs.h"

namespace tavro::images {

bool ImageErrorMsgs(std::int32_t lError, std::string& strMsg) {
  const char* text = nullptr;
  switch (lError) {
  case 1: text = "Unable to create file."; break;
  case 3:
  case 4:
  case 5:
  case 6: text = "Unable to read file. Bad file format."; break;
  case 7:
  case 8: text = "No image loaded."; break;
  case 9:
  case 10:
  case 20: text = "Unable to save image. Disk I/O error, e.g. Disk Full."; break;
  case 11:
  case 12: text = "an error occurred while converting (may be out of memory)."; break;
  case 13: text = "an error occurred while transforming (may be out of memory or wrong format)."; break;
  case 15: text = "Unable to load image."; break;
  case 16:
  case 17:
  case 18: text = "Unable to connect using HTTP."; break;
  case 21: text = "Unrecognized file format."; break;
  case 22: text = "Unable to create directory (already exists or cannot be created)."; break;
  case 23: text = "Error while splitting image."; break;
  case 24: text = "Specified format cannot be saved."; break;
  default: return false;
  }
  strMsg = text;
  return true;
}

} // namespace tavro::images
