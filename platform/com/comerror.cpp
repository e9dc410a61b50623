#include "platform/com/comerror.h"

namespace tavro::com {

std::string errorDescription(int number) {
  switch (number) {
  case errInvalidCall: return "Invalid procedure call or argument";
  case errOverflow: return "Overflow";
  case errOutOfMemory: return "Out of memory";
  case errSubscript: return "Subscript out of range";
  case errTypeMismatch: return "Type mismatch";
  case errBadFileName: return "Bad file name or number";
  case errFileNotFound: return "File not found";
  case errDeviceIo: return "Device I/O error";
  case errFileExists: return "File already exists";
  case errDiskFull: return "Disk full";
  case errPermission: return "Permission denied";
  case errPathFileAccess: return "Path/File access error";
  case errPathNotFound: return "Path not found";
  case errObjectNotSet: return "Object variable or With block variable not set";
  case errResourceNotFound: return "Resource not found";
  case errObjectRequired: return "Object required";
  case errCannotCreate: return "ActiveX component can't create object";
  case errNotSupported: return "Object doesn't support this property or method";
  case errArgumentCount: return "Wrong number of arguments or invalid property assignment";
  case errDuplicateKey: return "This key is already associated with an element of this collection";
  default: return "Application-defined or object-defined error";
  }
}

} // namespace tavro::com
