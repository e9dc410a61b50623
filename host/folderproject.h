#pragma once
// A project kept in a folder: <ProjectName>.wmlproj (an XML manifest naming the project and its
// documents) beside the documents' files, <Name>.<DocumentType>. Callable by name as the
// host's project object.

#include "platform/com/dispatch.h"

#include <memory>
#include <string>
#include <vector>

namespace tavro::host {

struct DocumentEntry {
  std::string name;
  std::string type;
};

class FolderProject : public com::Automation<FolderProject> {
public:
  /// Opens the project in folder. Raises error 76 when the folder does not exist, 53 when it
  /// holds no manifest, and 5 when there are several manifests, or the manifest cannot be read,
  /// is not well-formed or names a document that is not a plain file name; each message names
  /// the folder or the manifest.
  static std::shared_ptr<FolderProject> open(const std::string& folder, const std::string& applicationPath);
  /// Makes a new, empty project in folder (made when missing; its parent must exist). Raises
  /// error 58 when the folder already holds a project, or name is not a plain file name.
  static std::shared_ptr<FolderProject> create(const std::string& folder, const std::string& name,
                                               const std::string& applicationPath);

  /// The folder the application keeps its own files in: $TAVRO_APP_PATH, else
  /// $XDG_DATA_HOME/tavro, else ~/.local/share/tavro. Not created here.
  static std::string defaultApplicationPath();

  static std::string className() { return "HostProject"; }
  static const std::vector<com::Member<FolderProject>>& members();

  const std::string& ApplicationPath() const { return m_applicationPath; }
  const std::string& ProjectFolder() const { return m_folder; }
  const std::string& ProjectName() const { return m_name; }
  const std::string& manifestPath() const { return m_manifest; }
  /// The documents collection (a new view of the current list on every call).
  com::ObjectPtr Documents();
  const std::vector<DocumentEntry>& documents() const { return m_documents; }
  /// Adds <name>.wml, which must already be in the folder; a name already present keeps one
  /// entry. False when the file is missing or the name is not a plain file name. The manifest
  /// is rewritten atomically; a failed write raises its error and leaves the list as it was.
  bool AddDocument(const std::string& name, const com::Variant& option = com::Variant(true));
  /// Takes the document <name>.<type> out of the manifest, which is rewritten atomically; with
  /// deleteFile its file in the project folder is deleted too, after the manifest is written.
  /// False when the project holds no such document. A failed write or deletion raises its
  /// error; a failed write leaves the list as it was.
  bool removeDocument(const std::string& name, const std::string& type, bool deleteFile);

private:
  FolderProject(std::string folder, std::string name, std::string applicationPath)
      : m_folder(std::move(folder)), m_name(std::move(name)), m_applicationPath(std::move(applicationPath)) {}
  void saveManifest(const std::vector<DocumentEntry>& documents) const;

  std::string m_folder;
  std::string m_name;
  std::string m_applicationPath;
  std::string m_manifest;
  std::vector<DocumentEntry> m_documents;
};

/// True for a name that can stand alone as a file name in a folder: not empty, not "." or
/// "..", without "/" or NUL.
bool isPlainFileName(const std::string& name);

} // namespace tavro::host
