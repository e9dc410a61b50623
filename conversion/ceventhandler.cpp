#include "conversion/ceventhandler.h"

namespace tavro {

using namespace com;

const std::vector<Member<cEventHandler>>& cEventHandler::members() {
  static const std::vector<Member<cEventHandler>> table{
      {"Set_Destination", CallKind::Method,
       [](cEventHandler& h, Args& a) {
         Variant& target = argument(a, 0);
         // Nothing is a valid destination object; calling it later fails with error 91.
         ObjectPtr object = target.isEmpty() ? nullptr : target.toObject();
         h.Set_Destination(std::move(object), argument(a, 1).toString());
         return Variant();
       },
       1},
      {"My_Default_Method", CallKind::Method,
       [](cEventHandler& h, Args&) {
         h.My_Default_Method();
         return Variant();
       },
       dispidValue},
  };
  return table;
}

void cEventHandler::Set_Destination(ObjectPtr oInObject, std::string sInMethod) {
  m_target = std::move(oInObject);
  m_method = std::move(sInMethod);
  m_armed = true;
}

void cEventHandler::My_Default_Method() {
  if (!m_armed)
    return;
  // Copies: the called method may set a new destination on this very handler.
  ObjectPtr target = m_target;
  std::string method = m_method;
  callMethod(target, method);
}

} // namespace tavro
