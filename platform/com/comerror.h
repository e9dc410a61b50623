#pragma once
// Run-time errors that cross the component interfaces, each with its error number.

#include <stdexcept>
#include <string>

namespace tavro::com {

// The run-time error numbers the component raises or passes on.
enum ErrorNumber : int {
  errInvalidCall = 5, // "Invalid procedure call or argument"
  errOverflow = 6,
  errOutOfMemory = 7, // also what a file too large to read raises
  errSubscript = 9,   // "Subscript out of range"
  errTypeMismatch = 13,
  errBadFileName = 52, // "Bad file name or number"
  errFileNotFound = 53,
  errDeviceIo = 57,
  errFileExists = 58,
  errDiskFull = 61,
  errPermission = 70, // "Permission denied"
  errPathFileAccess = 75,
  errPathNotFound = 76, // "Path not found"
  errObjectNotSet = 91, // "Object variable or With block variable not set"
  errResourceNotFound = 326,
  errObjectRequired = 424,
  errCannotCreate = 429, // "ActiveX component can't create object"
  errNotSupported = 438, // "Object doesn't support this property or method"
  errArgumentCount = 450,
  errDuplicateKey = 457, // "This key is already associated with an element of this collection"
};

/// The standard description of a run-time error number ("Application-defined or
/// object-defined error" for numbers without one).
std::string errorDescription(int number);

/// An error raised to the caller, carrying its run-time error number.
class ComError : public std::runtime_error {
public:
  explicit ComError(int number) : std::runtime_error(errorDescription(number)), m_number(number) {}
  ComError(int number, const std::string& description) : std::runtime_error(description), m_number(number) {}

  int number() const noexcept { return m_number; }

private:
  int m_number;
};

} // namespace tavro::com
