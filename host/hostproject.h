#pragma once
// Typed access to the host's project objects. The host hands in its project as an object
// callable by name; these wrappers make the calls the dialogs and engines need. Errors raised
// by the host's objects pass through unchanged.

#include "platform/com/dispatch.h"

#include <string>
#include <vector>

namespace tavro::host {

class HostDocumentRef {
public:
  explicit HostDocumentRef(com::ObjectPtr document) : m_object(std::move(document)) {}
  std::string Name() const;
  std::string DocumentType() const;
  std::string Content() const;
  const com::ObjectPtr& object() const { return m_object; }

private:
  com::ObjectPtr m_object;
};

class HostDocumentsRef {
public:
  explicit HostDocumentsRef(com::ObjectPtr documents) : m_object(std::move(documents)) {}
  int Count() const;
  /// The document of that name, or nothing (a null object) when the project has none.
  com::ObjectPtr Item(const std::string& name) const;
  /// Every document, in the collection's order.
  std::vector<HostDocumentRef> all() const;

private:
  com::ObjectPtr m_object;
};

class HostProjectRef {
public:
  HostProjectRef() = default;
  explicit HostProjectRef(com::ObjectPtr project) : m_object(std::move(project)) {}

  explicit operator bool() const { return m_object != nullptr; }
  const com::ObjectPtr& object() const { return m_object; }

  // Each raises error 91 when no project is set.
  std::string ApplicationPath() const;
  std::string ProjectFolder() const;
  std::string ProjectName() const;
  HostDocumentsRef Documents() const;
  bool AddDocument(const std::string& name, const com::Variant& option = com::Variant(true)) const;

private:
  com::ObjectPtr m_object;
};

} // namespace tavro::host
