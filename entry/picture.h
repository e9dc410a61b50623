#pragma once
// A picture object: a bitmap resource as a host receives it from getIcon.

#include "platform/com/dispatch.h"

#include <cstdint>
#include <span>

namespace tavro {

class Picture : public com::Automation<Picture> {
public:
  /// A picture from a device-independent bitmap (header and pixel rows, no file header).
  /// Raises error 481 ("Invalid picture") when the bytes are not such a bitmap.
  explicit Picture(std::span<const std::uint8_t> dib);

  static std::string className() { return "Picture"; }
  static const std::vector<com::Member<Picture>>& members();

  /// The picture as a complete .bmp file (file header followed by the bitmap).
  std::vector<std::uint8_t> bmpFile() const;

private:
  std::vector<std::uint8_t> m_dib;
  std::int32_t m_width = 0;
  std::int32_t m_height = 0;
};

} // namespace tavro
