#pragma once
// The class through which the host reaches the add-in: the catalogue, its icons and the
// launcher of the wizards.

#include "entry/colwizards.h"
#include "host/hostproject.h"

namespace tavro {

/// The wizard identifiers published for the host.
enum wizardID : std::int32_t { widImport = 1, widExport = 2, widFtp = 3, widImage = 4 };

class wizard : public com::Automation<wizard> {
public:
  /// Builds the catalogue of four entries.
  wizard();

  static std::string className() { return "wizard"; }
  static const std::vector<com::Member<wizard>>& members();

  void AppPath(const std::string& strPath) { m_appPath = strPath; }
  std::shared_ptr<colWizards> WizardsCollection() const { return m_wizards; }
  bool Cancel() const { return m_cancel; }
  void Project(com::ObjectPtr proj) { m_project = host::HostProjectRef(std::move(proj)); }

  /// Opens the wizard named by strKey (compared exactly) and returns when it closes. Always
  /// False.
  bool launchWizard(const std::string& strKey);
  /// The icon of the catalogue entry whose key is strWizKey ("101" to "104").
  std::shared_ptr<class Picture> getIcon(const std::string& strWizKey) const;

  /// The text of the message shown when no project is open.
  static constexpr const char* noProjectText = "You need to have a project open in order to run the wizard";
  static constexpr const char* noProjectTitle = "No Project Open";

private:
  bool projectOrMessage() const;

  std::shared_ptr<colWizards> m_wizards;
  host::HostProjectRef m_project;
  std::string m_appPath;
  bool m_cancel = false;
};

} // namespace tavro
