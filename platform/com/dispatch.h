#pragma once
// Objects callable by name (late binding). Each class describes its members once, in one
// table: name, kind and handler; calls by name, the command line and tests all go through it.

#include "platform/com/comerror.h"
#include "platform/com/variant.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::com {

enum class CallKind { Get, Put, PutRef, Method };

/// Dispatch identifiers with a fixed meaning: the default member and the enumerator.
inline constexpr int dispidValue = 0;
inline constexpr int dispidNewEnum = -4;

/// Base of every object of the component. Counts live objects, so that the library can tell
/// whether it may be unloaded.
class Dispatch : public std::enable_shared_from_this<Dispatch> {
public:
  Dispatch();
  virtual ~Dispatch();
  Dispatch(const Dispatch&) = delete;
  Dispatch& operator=(const Dispatch&) = delete;

  virtual std::string typeName() const = 0;

  /// Calls a member by name; names compare without regard to case. An empty name calls the
  /// default member. Arguments are passed by reference: a member may change them.
  /// An unknown member raises error 438.
  virtual Variant invoke(std::string_view name, CallKind kind, Args& args) = 0;
};

/// Number of component objects alive in this module.
long liveObjectCount();

/// One member of a class table.
template <class T>
struct Member {
  std::string name;
  CallKind kind;
  std::function<Variant(T&, Args&)> handler;
  int dispid = 1;
};

/// The argument at position i, or error 450 when the caller passed fewer.
Variant& argument(Args& args, std::size_t i);
/// The argument at position i, or an Empty variant when the caller left it out.
Variant optionalArgument(const Args& args, std::size_t i);

namespace detail {
bool kindMatches(CallKind wanted, CallKind offered);
bool nameMatches(std::string_view wanted, std::string_view offered, int dispid);
} // namespace detail

/// Implements invoke from T::members(), a static table of Member<T>.
template <class T>
class Automation : public Dispatch {
public:
  Variant invoke(std::string_view name, CallKind kind, Args& args) override {
    for (const auto& m : T::members()) {
      if (detail::nameMatches(name, m.name, m.dispid) && detail::kindMatches(kind, m.kind))
        return m.handler(static_cast<T&>(*this), args);
    }
    throw ComError(errNotSupported);
  }
  std::string typeName() const override { return T::className(); }
};

// Late-bound calls on any object. A missing object raises error 91.
Variant invoke(const ObjectPtr& object, std::string_view name, CallKind kind, Args& args);
Variant getProperty(const ObjectPtr& object, std::string_view name, Args args = {});
void putProperty(const ObjectPtr& object, std::string_view name, Variant value);
void putRefProperty(const ObjectPtr& object, std::string_view name, Variant value);
Variant callMethod(const ObjectPtr& object, std::string_view name, Args args = {});

} // namespace tavro::com
