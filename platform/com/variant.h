#pragma once
// Variant: the value type of late-bound calls. It holds nothing (Empty), a 16-bit Boolean
// (True = -1), a 32-bit integer, a double, a string, a byte array or an object.

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace tavro::com {

class Dispatch;
using ObjectPtr = std::shared_ptr<Dispatch>;

/// A 16-bit Boolean as it crosses component interfaces: True is -1, False is 0.
using VBool = std::int16_t;
inline constexpr VBool vbTrue = -1;
inline constexpr VBool vbFalse = 0;
inline constexpr VBool toVBool(bool b) { return b ? vbTrue : vbFalse; }

class Variant {
public:
  enum class Type { Empty, Boolean, Long, Double, String, Bytes, Object };

  Variant() = default;
  Variant(bool b) : m_value(Bool{com::toVBool(b)}) {}
  Variant(int v) : m_value(std::int32_t(v)) {}
  Variant(double v) : m_value(v) {}
  Variant(std::string s) : m_value(std::move(s)) {}
  Variant(const char* s) : m_value(std::string(s)) {}
  Variant(std::vector<std::uint8_t> bytes) : m_value(std::move(bytes)) {}
  Variant(ObjectPtr object) : m_value(std::move(object)) {}
  template <class T>
  requires std::is_base_of_v<Dispatch, T> Variant(std::shared_ptr<T> object) : m_value(ObjectPtr(std::move(object))) {}

  /// A Boolean variant from its 16-bit form (any non-zero value is True).
  static Variant boolean(VBool b) { return Variant(b != 0); }

  Type type() const { return static_cast<Type>(m_value.index()); }
  bool isEmpty() const { return type() == Type::Empty; }
  bool isNumeric() const { return type() == Type::Boolean || type() == Type::Long || type() == Type::Double; }
  bool isObject() const { return type() == Type::Object; }
  /// An object reference that refers to nothing (Nothing).
  bool isNothing() const { return isObject() && !std::get<ObjectPtr>(m_value); }

  // Conversions follow the usual rules of late-bound code: Empty is 0, "" or False; numbers
  // round half to even when they become integers; strings that are not numbers are a type
  // mismatch (error 13); a missing object is error 91.
  bool toBool() const;
  VBool toVBool() const { return toBool() ? vbTrue : vbFalse; }
  std::int32_t toLong() const;
  double toDouble() const;
  std::string toString() const;
  const std::vector<std::uint8_t>& toBytes() const;
  ObjectPtr toObject() const;

  friend bool operator==(const Variant&, const Variant&) = default;

private:
  struct Bool {
    VBool value;
    friend bool operator==(Bool, Bool) = default;
  };
  std::variant<std::monostate, Bool, std::int32_t, double, std::string, std::vector<std::uint8_t>, ObjectPtr> m_value;
};

using Args = std::vector<Variant>;

} // namespace tavro::com
