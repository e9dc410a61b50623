#pragma once
// cEventHandler: routes an event raised in a page back to a method of an ordinary object,
// chosen by name. Given to an element as its onclick, a click on the element calls the
// handler's default member, which calls the method on the target.

#include "platform/com/dispatch.h"

#include <string>
#include <vector>

namespace tavro {

class cEventHandler : public com::Automation<cEventHandler> {
public:
  static std::string className() { return "cEventHandler"; }
  static const std::vector<com::Member<cEventHandler>>& members();

  /// Stores the target and the method name and arms the handler; a later call replaces both.
  void Set_Destination(com::ObjectPtr oInObject, std::string sInMethod);
  /// When armed, calls the method on the target by name with no arguments and discards its
  /// result; a failure of the call is passed on. Does nothing when not armed.
  void My_Default_Method();

  bool armed() const { return m_armed; }

private:
  com::ObjectPtr m_target;
  std::string m_method;
  bool m_armed = false;
};

} // namespace tavro
