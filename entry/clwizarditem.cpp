#include "entry/clwizarditem.h"

namespace tavro {

using namespace com;

const std::vector<Member<clWizardItem>>& clWizardItem::members() {
  static const std::vector<Member<clWizardItem>> table{
      {"strID", CallKind::Put,
       [](clWizardItem& w, Args& a) {
         w.strID = argument(a, 0).toString();
         return Variant();
       }},
      {"strID", CallKind::Get, [](clWizardItem& w, Args&) { return Variant(w.strID); }},
      {"TooltipText", CallKind::Put,
       [](clWizardItem& w, Args& a) {
         w.TooltipText = argument(a, 0).toString();
         return Variant();
       }},
      {"TooltipText", CallKind::Get, [](clWizardItem& w, Args&) { return Variant(w.TooltipText); }},
      {"IconId", CallKind::Put,
       [](clWizardItem& w, Args& a) {
         w.IconId = argument(a, 0).toLong();
         return Variant();
       }},
      {"IconId", CallKind::Get, [](clWizardItem& w, Args&) { return Variant(int(w.IconId)); }},
      {"Caption", CallKind::Put,
       [](clWizardItem& w, Args& a) {
         w.Caption = argument(a, 0).toString();
         return Variant();
       }},
      {"Caption", CallKind::Get, [](clWizardItem& w, Args&) { return Variant(w.Caption); }},
  };
  return table;
}

} // namespace tavro
