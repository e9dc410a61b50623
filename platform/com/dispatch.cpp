#include "platform/com/dispatch.h"

#include "util/text.h"

#include <atomic>

namespace tavro::com {

namespace {
std::atomic<long> g_liveObjects{0};
}

Dispatch::Dispatch() { ++g_liveObjects; }
Dispatch::~Dispatch() { --g_liveObjects; }

long liveObjectCount() { return g_liveObjects.load(); }

Variant& argument(Args& args, std::size_t i) {
  if (i >= args.size())
    throw ComError(errArgumentCount);
  return args[i];
}

Variant optionalArgument(const Args& args, std::size_t i) { return i < args.size() ? args[i] : Variant(); }

namespace detail {

bool kindMatches(CallKind wanted, CallKind offered) {
  switch (wanted) {
  case CallKind::Get:
  case CallKind::Method: return offered == CallKind::Get || offered == CallKind::Method;
  case CallKind::Put: return offered == CallKind::Put;
  case CallKind::PutRef: return offered == CallKind::PutRef || offered == CallKind::Put;
  }
  return false;
}

bool nameMatches(std::string_view wanted, std::string_view offered, int dispid) {
  if (wanted.empty())
    return dispid == dispidValue;
  if (dispid == dispidNewEnum && (util::equalsNoCase(wanted, "_NewEnum") || util::equalsNoCase(wanted, "NewEnum")))
    return true;
  return util::equalsNoCase(wanted, offered);
}

} // namespace detail

Variant invoke(const ObjectPtr& object, std::string_view name, CallKind kind, Args& args) {
  if (!object)
    throw ComError(errObjectNotSet);
  return object->invoke(name, kind, args);
}

Variant getProperty(const ObjectPtr& object, std::string_view name, Args args) {
  return invoke(object, name, CallKind::Get, args);
}

void putProperty(const ObjectPtr& object, std::string_view name, Variant value) {
  Args args{std::move(value)};
  invoke(object, name, CallKind::Put, args);
}

void putRefProperty(const ObjectPtr& object, std::string_view name, Variant value) {
  Args args{std::move(value)};
  invoke(object, name, CallKind::PutRef, args);
}

Variant callMethod(const ObjectPtr& object, std::string_view name, Args args) {
  return invoke(object, name, CallKind::Method, args);
}

} // namespace tavro::com
