#include "entry/picture.h"

#include <cmath>
#include <cstring>

namespace tavro {

using namespace com;

namespace {
constexpr int errInvalidPicture = 481;

std::uint32_t le32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    out.push_back(std::uint8_t(v >> (8 * i)));
}
// Pictures measure themselves in HIMETRIC (0.01 mm) at 96 pixels an inch.
int himetric(int pixels) { return int(std::lround(pixels * 2540.0 / 96.0)); }
} // namespace

Picture::Picture(std::span<const std::uint8_t> dib) : m_dib(dib.begin(), dib.end()) {
  if (m_dib.size() < 40 || le32(m_dib.data()) < 40)
    throw ComError(errInvalidPicture, "Invalid picture");
  m_width = std::int32_t(le32(m_dib.data() + 4));
  m_height = std::abs(std::int32_t(le32(m_dib.data() + 8)));
  if (m_width <= 0 || m_height <= 0)
    throw ComError(errInvalidPicture, "Invalid picture");
}

const std::vector<Member<Picture>>& Picture::members() {
  static const std::vector<Member<Picture>> table{
      {"Type", CallKind::Get, [](Picture&, Args&) { return Variant(1); }}, // a bitmap
      {"Width", CallKind::Get, [](Picture& p, Args&) { return Variant(himetric(p.m_width)); }},
      {"Height", CallKind::Get, [](Picture& p, Args&) { return Variant(himetric(p.m_height)); }},
      {"Data", CallKind::Get, [](Picture& p, Args&) { return Variant(p.bmpFile()); }},
  };
  return table;
}

std::vector<std::uint8_t> Picture::bmpFile() const {
  std::uint32_t headerSize = le32(m_dib.data());
  std::uint32_t bitCount = m_dib[14] | m_dib[15] << 8;
  std::uint32_t colours = le32(m_dib.data() + 32);
  if (colours == 0 && bitCount <= 8)
    colours = 1u << bitCount;
  std::uint32_t offset = 14 + headerSize + 4 * colours;
  std::vector<std::uint8_t> out{'B', 'M'};
  put32(out, std::uint32_t(14 + m_dib.size()));
  put32(out, 0);
  put32(out, offset);
  out.insert(out.end(), m_dib.begin(), m_dib.end());
  return out;
}

} // namespace tavro
