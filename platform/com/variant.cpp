#include "platform/com/variant.h"

#include "platform/com/comerror.h"
#include "util/text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tavro::com {

namespace {

double parseNumber(const std::string& s) {
  std::string_view t = util::trim(s);
  if (t.empty())
    throw ComError(errTypeMismatch);
  double d = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), d);
  if (ec != std::errc() || end != t.data() + t.size())
    throw ComError(errTypeMismatch);
  return d;
}

} // namespace

bool Variant::toBool() const {
  switch (type()) {
  case Type::Empty: return false;
  case Type::Boolean: return std::get<Bool>(m_value).value != 0;
  case Type::Long: return std::get<std::int32_t>(m_value) != 0;
  case Type::Double: return std::get<double>(m_value) != 0.0;
  case Type::String: {
    const auto& s = std::get<std::string>(m_value);
    if (util::equalsNoCase(s, "True"))
      return true;
    if (util::equalsNoCase(s, "False"))
      return false;
    return parseNumber(s) != 0.0;
  }
  default: throw ComError(errTypeMismatch);
  }
}

double Variant::toDouble() const {
  switch (type()) {
  case Type::Empty: return 0.0;
  case Type::Boolean: return std::get<Bool>(m_value).value;
  case Type::Long: return std::get<std::int32_t>(m_value);
  case Type::Double: return std::get<double>(m_value);
  case Type::String: return parseNumber(std::get<std::string>(m_value));
  default: throw ComError(errTypeMismatch);
  }
}

std::int32_t Variant::toLong() const {
  if (type() == Type::Long)
    return std::get<std::int32_t>(m_value);
  double d = std::nearbyint(toDouble()); // the default rounding mode rounds half to even
  if (!(d >= std::numeric_limits<std::int32_t>::min() && d <= std::numeric_limits<std::int32_t>::max()))
    throw ComError(errOverflow);
  return static_cast<std::int32_t>(d);
}

std::string Variant::toString() const {
  switch (type()) {
  case Type::Empty: return {};
  case Type::Boolean: return std::get<Bool>(m_value).value ? "True" : "False";
  case Type::Long: return std::to_string(std::get<std::int32_t>(m_value));
  case Type::Double: {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.15g", std::get<double>(m_value));
    return buf;
  }
  case Type::String: return std::get<std::string>(m_value);
  case Type::Bytes: {
    const auto& b = std::get<std::vector<std::uint8_t>>(m_value);
    return std::string(b.begin(), b.end());
  }
  default: throw ComError(errTypeMismatch);
  }
}

const std::vector<std::uint8_t>& Variant::toBytes() const {
  if (type() != Type::Bytes)
    throw ComError(errTypeMismatch);
  return std::get<std::vector<std::uint8_t>>(m_value);
}

ObjectPtr Variant::toObject() const {
  if (type() == Type::Object) {
    const auto& o = std::get<ObjectPtr>(m_value);
    if (!o)
      throw ComError(errObjectNotSet);
    return o;
  }
  if (type() == Type::Empty)
    throw ComError(errObjectNotSet);
  throw ComError(errObjectRequired);
}

} // namespace tavro::com
