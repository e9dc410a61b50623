// The last step of an import: checking the target name, then writing the fine-tuned result
// (and its pictures) into the project folder and adding it to the project.

#include "conversion/importengine.h"

#include "decks/deckrepair.h"
#include "images/wbmpconversion.h"
#include "platform/fs/filesystem.h"
#include "platform/html/browser.h"
#include "platform/ui/clstringex.h"
#include "platform/ui/uiservices.h"
#include "platform/xml/treewalk.h"
#include "util/fileurl.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <unordered_map>

namespace tavro::conversion {

namespace {

constexpr std::uintmax_t kLargeFileBytes = 10000;

std::string sizeMessage(std::uintmax_t size) {
  return "The HTML file being imported is: " + std::to_string(size) +
         "bytes.\r\n"
         "Due to the size of this file it may take a few moments to add to the project.\r\n"
         "Please be patient during this process.";
}

// A folder of our own for the converted pictures until the document is known to convert:
// a failed import must leave the project as it was.
struct PlannedPicture {
  std::string staged; // the converted WBMP waiting in the staging folder
  std::string target; // its place in the project's images folder
  images::ConversionResult written;
};

} // namespace

void pointAtConverted(xmlNodePtr img, const std::string& name, const images::ConversionOptions& options,
                      const images::ConversionResult& written) {
  xmlSetProp(img, BAD_CAST "src", BAD_CAST("images/" + util::percentEncode(name, "-._~")).c_str());
  if (options.maxWidth > 0) {
    xmlSetProp(img, BAD_CAST "height", BAD_CAST std::to_string(written.height).c_str());
    xmlSetProp(img, BAD_CAST "width", BAD_CAST std::to_string(written.width).c_str());
  }
}

bool ImportEngine::ValidateTargetFile(const std::string& fileName) {
  // A name that is all extension (".htaccess") names no document either.
  if (fileName.empty() || fs::getBaseName(fileName).empty()) {
    ui::services().msgBox("A file name must be entered before importing the document", ui::vbCritical | ui::vbOKOnly,
                          "Enter a file name");
    return false;
  }
  if (!clStringEx().validFileName(fileName))
    return false;

  const std::string name = fs::getBaseName(fileName);
  if (!mayTake(name))
    return false;
  return ImportIntoProject(m_project.ProjectFolder() + "/" + name + ".wml", name, true);
}

bool ImportEngine::mayTake(const std::string& name) const {
  const std::string path = m_project.ProjectFolder() + "/" + name + ".wml";
  for (const auto& document : m_project.Documents().all()) {
    if (document.Name() == name) {
      ui::services().msgBox("The file " + name + " already belongs to the project " + m_project.ProjectName(),
                            ui::vbExclamation | ui::vbOKOnly, "File already a member of project");
      return false;
    }
  }
  if (fs::fileExists(path)) {
    int answer = ui::services().msgBox("The file " + path + " already exists. Overwrite this file ?",
                                       ui::vbCritical | ui::vbYesNo, "File already exits");
    if (answer != ui::vbYes)
      return false;
  }
  return true;
}

std::optional<xml::XmlDocument> ImportEngine::readFineTuned() {
  StripRemovedElements(m_html.Preview);
  // The browser shows the filtered preview: its body gives the document the markup would,
  // without parsing that again.
  std::optional<xml::XmlDocument> doc = bodyXml();
  if (doc)
    m_xmlTools.ConvertReferences(*doc, 0);
  return doc;
}

void ImportEngine::localReferences(const std::vector<xmlNodePtr>& pictures) {
  // As the preview shows them (file: URLs, relative ones resolved from where the deck goes),
  // read back as local paths.
  m_xmlTools.setProjectFolder(pictureBase());
  std::unordered_map<std::string, std::string> localOf; // a page shows one picture many times
  for (xmlNodePtr img : pictures) {
    if (!xmlHasProp(img, BAD_CAST "src"))
      continue;
    const std::string src = xml::attribute(img, "src");
    if (auto known = localOf.find(src); known != localOf.end()) {
      if (known->second != src)
        xmlSetProp(img, BAD_CAST "src", BAD_CAST known->second.c_str());
      continue;
    }
    m_xmlTools.ConvertReference(img, 1);
    m_xmlTools.ConvertReference(img, 0);
    localOf.emplace(src, xml::attribute(img, "src"));
  }
}

bool ImportEngine::convertAgain(xml::XmlDocument& fineTuned, xml::XmlDocument* deck) {
  if (!TransformDocument(m_xmlTools.TransformToDocument(fineTuned, m_xslImport, nullptr, true), m_strWml, deck))
    return false;
  // The preview carries the ids the first pass wrote; the page's own ids map through both.
  std::map<std::string, std::string> ids;
  for (const auto& [page, first] : m_pageIds) {
    auto second = m_deckIds.find(first);
    ids[page] = second == m_deckIds.end() ? first : second->second;
  }
  m_deckIds = std::move(ids);
  return true;
}

bool ImportEngine::PrepareDeck(const std::string& folder, xml::XmlDocument& deck) {
  ui::BusyPointer busy;
  if (strippedNothing()) {
    if (m_xmlDoc.empty())
      return false;
    deck = m_xmlDoc.clone();
    const auto pictures = xml::elementsNamed(deck.documentElement(), "img");
    localReferences(pictures);
    referencePicturesFrom(pictures, folder);
    m_strWml = decks::deckText(deck);
    m_deckIds = m_pageIds;
    return true;
  }
  std::optional<xml::XmlDocument> fineTuned = readFineTuned();
  if (!fineTuned)
    return false;
  referencePicturesFrom(xml::elementsNamed(fineTuned->documentElement(), "img"), folder);
  return convertAgain(*fineTuned, &deck);
}

bool ImportEngine::ImportIntoProject(const std::string& targetPath, const std::string& documentName, bool overwrite) {
  ui::BusyPointer busy;
  pictureWarnings.clear();
  writtenDecks.clear();
  splitNote.clear();
  // With nothing stripped, the unfiltered preview converts back to the deck it was built from:
  // the analysis deck is written, its pictures referenced for the project. It stays the
  // analysis deck for another try. Else the stripped preview is converted again.
  const bool analysed = strippedNothing();
  std::optional<xml::XmlDocument> fineTuned;
  if (analysed ? m_xmlDoc.empty() : !(fineTuned = readFineTuned()))
    return false;
  xml::XmlDocument& doc = analysed ? m_xmlDoc : *fineTuned;
  const std::vector<xmlNodePtr> pictures = xml::elementsNamed(doc.documentElement(), "img");
  const std::vector<xmlNodePtr> analysedPictures = analysed ? pictures : std::vector<xmlNodePtr>{};
  const xml::SavedAttributes analysedSources(analysedPictures, "src");
  const xml::SavedAttributes analysedWidths(analysedPictures, "width"), analysedHeights(analysedPictures, "height");
  if (analysed)
    localReferences(pictures);

  // Pictures: each becomes a real WBMP named after its source's base name, referenced
  // relative to the document. They are converted into a staging folder first and only copied
  // into the project once the document itself has converted.
  std::unique_ptr<fs::TemporaryFolder> staging;
  std::map<std::string, PlannedPicture> planned; // by target name
  std::map<std::string, std::string> sourceOf;   // target name -> source path
  if (imagesOption) {
    staging = std::make_unique<fs::TemporaryFolder>("tavro-import");
    const std::string imagesFolder = m_project.ProjectFolder() + "/images";
    for (xmlNodePtr img : pictures) {
      if (!xmlHasProp(img, BAD_CAST "src"))
        continue; // nothing to copy; the picture stays as it is
      std::string source = xml::attribute(img, "src");
      if (source.rfind("file:", 0) != 0)
        source = fs::getAbsolutePathName(source);
      if (source.rfind("file:", 0) == 0 || !fs::fileExists(source))
        continue;

      // Two different pictures with one base name must not end up as one file: the second
      // gets a number. The same picture referenced twice keeps one file.
      const std::string base = fs::getBaseName(source);
      std::string name = base + ".wbmp";
      for (int n = 2; sourceOf.count(name) && sourceOf[name] != source; ++n)
        name = base + "-" + std::to_string(n) + ".wbmp";

      if (!planned.count(name)) {
        const std::string staged = staging->file(std::to_string(planned.size()) + ".wbmp");
        auto converted = images::convertToWbmpFile(source, staged, pictureOptions);
        if (!converted.ok) {
          pictureWarnings.push_back("The picture " + source +
                                    " was not put into the images folder: " + converted.message);
          continue;
        }
        planned[name] = {staged, imagesFolder + "/" + name, converted};
        sourceOf[name] = source;
      }
      pointAtConverted(img, name, pictureOptions, planned[name].written);
    }
  }
  // The pictures that stay where they are, from the folder the deck goes to.
  referencePicturesFrom(pictures, fs::getParentFolderName(targetPath));
  if (analysed) {
    const bool unchanged = analysedSources.unchanged() && analysedWidths.unchanged() && analysedHeights.unchanged();
    m_strWml = unchanged ? m_analysisDeck : decks::deckText(m_xmlDoc);
    m_deckIds = m_pageIds;
  } else if (!convertAgain(*fineTuned, nullptr)) {
    return false;
  }

  // A deck over the size limit becomes several; the names of the parts after the first are
  // checked as the first one's was.
  std::vector<decks::DeckPart> parts{{documentName, m_strWml}};
  if (maxDeckBytes > 0) {
    try {
      const decks::SplitDeck split = decks::splitDeck(m_strWml, documentName, maxDeckBytes);
      parts = split.parts;
      splitNote = decks::unsentNote(split, maxDeckBytes);
    } catch (const std::runtime_error& e) {
      ui::services().msgBox(e.what(), ui::vbCritical | ui::vbOKOnly, "Deck too big");
      return false;
    }
    for (std::size_t i = 1; i < parts.size(); ++i)
      if (!mayTake(parts[i].name))
        return false;
  }

  if (imagesOption) {
    const std::string imagesFolder = m_project.ProjectFolder() + "/images";
    if (!fs::folderExists(imagesFolder))
      fs::createFolder(imagesFolder);
    for (const auto& [name, picture] : planned)
      fs::copyFile(picture.staged, picture.target, true);
  }

  std::vector<std::pair<std::string, std::string>> files{{targetPath, parts[0].text}};
  const std::string folder = fs::getParentFolderName(targetPath);
  for (std::size_t i = 1; i < parts.size(); ++i)
    files.emplace_back(fs::joinPath(folder, parts[i].name + ".wml"), parts[i].text);
  fs::writeFilesAtomic(files, overwrite);
  writtenDecks = std::move(parts);
  const std::uintmax_t size = fs::fileExists(targetPath) ? fs::fileSize(targetPath) : 0;
  if (size > kLargeFileBytes)
    ui::services().msgBox(sizeMessage(size), ui::vbInformation | ui::vbOKOnly, "Velmor professional");

  bool added = true;
  for (const auto& part : writtenDecks)
    added = m_project.AddDocument(part.name, com::Variant(true)) && added;
  return added;
}

} // namespace tavro::conversion
