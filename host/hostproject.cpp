#include "host/hostproject.h"

#include "platform/com/enumerator.h"

namespace tavro::host {

using namespace com;

std::string HostDocumentRef::Name() const { return getProperty(m_object, "Name").toString(); }
std::string HostDocumentRef::DocumentType() const { return getProperty(m_object, "DocumentType").toString(); }
std::string HostDocumentRef::Content() const { return getProperty(m_object, "Content").toString(); }

int HostDocumentsRef::Count() const { return getProperty(m_object, "Count").toLong(); }

ObjectPtr HostDocumentsRef::Item(const std::string& name) const {
  Variant item = getProperty(m_object, "Item", {Variant(name)});
  return item.isEmpty() ? nullptr : item.toObject();
}

std::vector<HostDocumentRef> HostDocumentsRef::all() const {
  std::vector<HostDocumentRef> out;
  forEach(m_object, [&](const Variant& v) { out.emplace_back(v.toObject()); });
  return out;
}

std::string HostProjectRef::ApplicationPath() const { return getProperty(m_object, "ApplicationPath").toString(); }
std::string HostProjectRef::ProjectFolder() const { return getProperty(m_object, "ProjectFolder").toString(); }
std::string HostProjectRef::ProjectName() const { return getProperty(m_object, "ProjectName").toString(); }
HostDocumentsRef HostProjectRef::Documents() const {
  return HostDocumentsRef(getProperty(m_object, "Documents").toObject());
}
bool HostProjectRef::AddDocument(const std::string& name, const Variant& option) const {
  return callMethod(m_object, "AddDocument", {Variant(name), option}).toBool();
}

} // namespace tavro::host
