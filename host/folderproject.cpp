#include "host/folderproject.h"

#include "platform/com/enumerator.h"
#include "platform/fs/filesystem.h"
#include "platform/xml/xmldocument.h"

#include <cstdlib>
#include <filesystem>

namespace tavro::host {

using namespace com;

namespace {

constexpr const char* kManifestExtension = ".wmlproj";

class FolderDocument : public Automation<FolderDocument> {
public:
  FolderDocument(std::string folder, DocumentEntry entry) : m_folder(std::move(folder)), m_entry(std::move(entry)) {}
  static std::string className() { return "HostDocument"; }
  static const std::vector<Member<FolderDocument>>& members() {
    static const std::vector<Member<FolderDocument>> table{
        {"Name", CallKind::Get, [](FolderDocument& d, Args&) { return Variant(d.m_entry.name); }},
        {"DocumentType", CallKind::Get, [](FolderDocument& d, Args&) { return Variant(d.m_entry.type); }},
        {"Content", CallKind::Get,
         [](FolderDocument& d, Args&) {
           return Variant(
               fs::readFile(fs::joinPath(d.m_folder, d.m_entry.name + "." + d.m_entry.type), xml::maxDocumentBytes));
         }},
    };
    return table;
  }

private:
  std::string m_folder;
  DocumentEntry m_entry;
};

class FolderDocuments : public Automation<FolderDocuments> {
public:
  FolderDocuments(std::string folder, std::vector<DocumentEntry> entries)
      : m_folder(std::move(folder)), m_entries(std::move(entries)) {}
  static std::string className() { return "HostDocuments"; }
  static const std::vector<Member<FolderDocuments>>& members() {
    static const std::vector<Member<FolderDocuments>> table{
        {"Count", CallKind::Get, [](FolderDocuments& d, Args&) { return Variant(int(d.m_entries.size())); }},
        {"Item", CallKind::Get,
         [](FolderDocuments& d, Args& a) {
           std::string name = argument(a, 0).toString();
           for (const auto& e : d.m_entries) {
             if (e.name == name)
               return Variant(std::make_shared<FolderDocument>(d.m_folder, e));
           }
           return Variant(); // no document of that name
         },
         dispidValue},
        {"_NewEnum", CallKind::Get,
         [](FolderDocuments& d, Args&) {
           std::vector<Variant> items;
           for (const auto& e : d.m_entries)
             items.emplace_back(std::make_shared<FolderDocument>(d.m_folder, e));
           return Variant(std::make_shared<Enumerator>(std::move(items)));
         },
         dispidNewEnum},
    };
    return table;
  }

private:
  std::string m_folder;
  std::vector<DocumentEntry> m_entries;
};

std::string manifestText(const std::string& name, const std::vector<DocumentEntry>& documents) {
  xml::XmlDocument doc(xmlNewDoc(BAD_CAST "1.0"));
  xmlNodePtr root = xmlNewDocNode(doc.get(), nullptr, BAD_CAST "Project", nullptr);
  xmlDocSetRootElement(doc.get(), root);
  xmlSetProp(root, BAD_CAST "Name", BAD_CAST name.c_str());
  for (const auto& d : documents) {
    xmlNodePtr node = xmlNewChild(root, nullptr, BAD_CAST "Document", nullptr);
    xmlSetProp(node, BAD_CAST "Name", BAD_CAST d.name.c_str());
    xmlSetProp(node, BAD_CAST "DocumentType", BAD_CAST d.type.c_str());
  }
  xmlChar* text = nullptr;
  int size = 0;
  xmlDocDumpFormatMemoryEnc(doc.get(), &text, &size, "UTF-8", 1);
  std::string out(reinterpret_cast<const char*>(text), std::size_t(size));
  xmlFree(text);
  return out;
}

[[noreturn]] void badManifest(const std::string& path, const std::string& why) {
  throw ComError(errInvalidCall, "damaged project manifest '" + path + "': " + why);
}

} // namespace

bool isPlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

std::string FolderProject::defaultApplicationPath() {
  if (const char* app = std::getenv("TAVRO_APP_PATH"); app && *app)
    return fs::getAbsolutePathName(app);
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
    return fs::joinPath(data, "tavro");
  const char* home = std::getenv("HOME");
  return fs::joinPath(home && *home ? home : "/tmp", ".local/share/tavro");
}

std::shared_ptr<FolderProject> FolderProject::open(const std::string& folder, const std::string& applicationPath) {
  const std::string dir = fs::getAbsolutePathName(folder);
  if (!fs::folderExists(dir))
    throw ComError(errPathNotFound, "project folder not found: '" + folder + "'");

  std::vector<std::string> manifests;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    if (entry.path().extension() == kManifestExtension && entry.is_regular_file(ec))
      manifests.push_back(entry.path().string());
  }
  if (ec)
    fs::throwErrno(ec.value(), "read project folder", dir);
  if (manifests.empty())
    throw ComError(errFileNotFound, "no project manifest (*.wmlproj) in '" + dir + "'");
  if (manifests.size() > 1)
    throw ComError(errInvalidCall, "more than one project manifest (*.wmlproj) in '" + dir + "'");
  const std::string& path = manifests.front();

  xml::XmlDocument doc;
  if (!doc.load(path)) {
    const auto& e = doc.parseError();
    badManifest(path, e.reason + (e.line ? " at line " + std::to_string(e.line) : std::string()));
  }
  xmlNodePtr root = doc.documentElement();
  if (xmlStrcmp(root->name, BAD_CAST "Project") != 0)
    badManifest(path, "the root element is not Project");
  std::string name = xml::attribute(root, "Name");
  if (name.empty())
    name = fs::getBaseName(path);

  auto project = std::shared_ptr<FolderProject>(new FolderProject(dir, name, applicationPath));
  project->m_manifest = path;
  for (xmlNodePtr node = root->children; node; node = node->next) {
    if (node->type != XML_ELEMENT_NODE || xmlStrcmp(node->name, BAD_CAST "Document") != 0)
      continue;
    DocumentEntry entry{xml::attribute(node, "Name"), xml::attribute(node, "DocumentType")};
    if (!isPlainFileName(entry.name) || !isPlainFileName(entry.name + "." + entry.type) || entry.type.empty() ||
        entry.type.find('/') != std::string::npos)
      badManifest(path, "a document entry is not a plain file name: '" + entry.name + "." + entry.type + "'");
    bool seen = false;
    for (const auto& d : project->m_documents)
      seen = seen || (d.name == entry.name && d.type == entry.type);
    if (!seen)
      project->m_documents.push_back(std::move(entry));
  }
  return project;
}

std::shared_ptr<FolderProject> FolderProject::create(const std::string& folder, const std::string& name,
                                                     const std::string& applicationPath) {
  if (!isPlainFileName(name))
    throw ComError(errBadFileName, "not a valid project name: '" + name + "'");
  const std::string dir = fs::getAbsolutePathName(folder);
  fs::createFolders(dir); // with the parents it lacks, as a new project's path may name them
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    if (entry.path().extension() == kManifestExtension)
      throw ComError(errFileExists, "'" + dir + "' already holds a project: '" + entry.path().string() + "'");
  }
  auto project = std::shared_ptr<FolderProject>(new FolderProject(dir, name, applicationPath));
  project->m_manifest = fs::joinPath(dir, name + kManifestExtension);
  fs::writeFileAtomic(project->manifestPath(), manifestText(name, {}), false);
  return project;
}

const std::vector<Member<FolderProject>>& FolderProject::members() {
  static const std::vector<Member<FolderProject>> table{
      {"ApplicationPath", CallKind::Get, [](FolderProject& p, Args&) { return Variant(p.m_applicationPath); }},
      {"Documents", CallKind::Get, [](FolderProject& p, Args&) { return Variant(p.Documents()); }},
      {"ProjectFolder", CallKind::Get, [](FolderProject& p, Args&) { return Variant(p.m_folder); }},
      {"ProjectName", CallKind::Get, [](FolderProject& p, Args&) { return Variant(p.m_name); }},
      {"AddDocument", CallKind::Method,
       [](FolderProject& p, Args& a) {
         return Variant(p.AddDocument(argument(a, 0).toString(), optionalArgument(a, 1)));
       }},
  };
  return table;
}

ObjectPtr FolderProject::Documents() { return std::make_shared<FolderDocuments>(m_folder, m_documents); }

bool FolderProject::AddDocument(const std::string& name, const Variant&) {
  if (!isPlainFileName(name) || !fs::fileExists(fs::joinPath(m_folder, name + ".wml")))
    return false;
  for (const auto& d : m_documents) {
    if (d.name == name && d.type == "wml")
      return true;
  }
  auto documents = m_documents;
  documents.push_back({name, "wml"});
  saveManifest(documents);
  m_documents = std::move(documents);
  return true;
}

bool FolderProject::removeDocument(const std::string& name, const std::string& type, bool deleteFile) {
  auto documents = m_documents;
  auto gone = std::erase_if(documents, [&](const DocumentEntry& d) { return d.name == name && d.type == type; });
  if (gone == 0)
    return false;
  saveManifest(documents);
  m_documents = std::move(documents);
  if (deleteFile) {
    // Entries are plain file names (open checks them), so the path stays in the folder.
    const std::string path = fs::joinPath(m_folder, name + "." + type);
    std::error_code ec;
    if (!std::filesystem::remove(path, ec) && ec)
      fs::throwErrno(ec.value(), "delete", path);
  }
  return true;
}

void FolderProject::saveManifest(const std::vector<DocumentEntry>& documents) const {
  fs::writeFileAtomic(manifestPath(), manifestText(m_name, documents));
}

} // namespace tavro::host
