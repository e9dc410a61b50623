#pragma once
// The import engine: everything one HTML import does without a window. The page is shown in
// a Browser; the engine reads its body, classifies its elements against the catalogue,
// converts it to WML with the three stylesheets, writes its report pages back into the
// browser, builds the preview the user fine-tunes, and finally writes the .wml (and its
// pictures) into the project. The wizard form maps its controls onto this object; the command
// line tool drives the same object with a browser of its own.

#include "conversion/namelist.h"
#include "decks/split.h"
#include "host/hostproject.h"
#include "host/hosttools.h"
#include "images/wbmpconversion.h"
#include "platform/xml/xsltemplate.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

namespace tavro::html {
class Browser;
class Element;
class Document;
} // namespace tavro::html

namespace tavro::conversion {

/// How a step of the import ended.
enum class StepResult {
  Done,      // the step did its work
  ErrorPage, // an error log page is showing; the user may go back and try another page
  Closed,    // a fatal error: the user was told, and the wizard must close
};

class ImportEngine {
public:
  /// The engine works on the document browser shows, for project.
  ImportEngine(html::Browser& browser, host::HostProjectRef project);
  ~ImportEngine();

  // Resources.
  /// Loads the element catalogue and the three stylesheets (again on every call).
  void LoadConversionResources();
  void LoadStylesheets();

  // The conversion.
  /// Converts the page the browser shows: the WML text, the classification lists and the
  /// analysis log page, or the transformation error page.
  StepResult ConvertSource();
  /// Tidies WML text in place: well-formedness check, empty tables pruned, paragraphs
  /// wrapped. False (after the "Import Error" message) when the text is not well-formed.
  bool TransformDocument(std::string& strWml);
  /// TransformDocument for WML already read into a document (nothing when it would not
  /// load); strWml receives the tidied text, and the tidied document too when asked.
  bool TransformDocument(std::optional<xml::XmlDocument> wml, std::string& strWml, xml::XmlDocument* tidied = nullptr);
  /// Saves the analysis page, renders the WML as the HTML preview and shows it (filtered by
  /// the removed list), then fills the allowed list.
  StepResult BuildPreview();

  // Clean-up.
  /// Shows the preview in the browser with every element kind of the removed list taken out.
  void StripRemovedElements(std::string& strPreview);
  /// Removes table rows without cells, then tables without rows.
  static void NormaliseTables(xml::XmlDocument& doc);

  // Classification.
  /// Lists the catalogue's unknown and mapped names among the page's element names.
  void ClassifySource(const std::unordered_set<std::string>& pageNames);
  /// Lists the catalogue's known names present in the deck.
  void ClassifyResult(const xml::XmlDocument& doc);
  /// Adds to list each catalogue name present in the browser's document and not yet listed.
  void AnalyseElements(NameList& list);
  /// Moves the selected names of source to destination (removing them from source when
  /// removeFromSource), then selects destination's last item.
  static void MoveListItems(NameList& source, NameList& destination, bool removeFromSource);

  // Report pages written into the browser.
  void ShowAnalysisPage();
  void ShowTransformErrorPage();
  void ShowFileNotFoundPage();
  /// Lists the frames with one radio button each; the chosen frame's source is read back by
  /// the document's click handling.
  void ShowFramesPage(const std::vector<std::shared_ptr<html::Element>>& frames);
  /// A table of the names, four to a row.
  std::shared_ptr<html::Element> BuildElementTable(const std::vector<std::string>& names);

  // The import.
  /// Checks the target name (empty, forbidden characters, a clash with a project document,
  /// an existing file: asks before overwriting) and imports. True when the document joined
  /// the project.
  bool ValidateTargetFile(const std::string& fileName);
  /// Writes the fine-tuned result as targetPath and adds it to the project as documentName.
  bool ImportIntoProject(const std::string& targetPath, const std::string& documentName, bool overwrite);
  /// The deck ImportIntoProject would write into folder, without the images option and
  /// without writing anything: into deck (its text in m_strWml, its ids in deckIds). False when
  /// the conversion failed, which the user has been told.
  bool PrepareDeck(const std::string& folder, xml::XmlDocument& deck);
  /// Each id the last deck's page had, mapped to the id the deck writes.
  const std::map<std::string, std::string>& deckIds() const { return m_deckIds; }
  /// The id of an element that leaves nothing in the deck (a div, a named anchor) is kept only
  /// where a link of the page leads to it; with keep, every one is (for a site, whose other
  /// pages may lead to them), and placedIds() tells which ids of the last deck they are.
  void keepEveryId(bool keep) { m_keepEveryId = keep; }
  const std::set<std::string>& placedIds() const { return m_placedIds; }

  /// True once a fatal error told the user the wizard must close.
  bool closeRequested() const { return m_bClose; }

  // The two lists of the fine-tune page and the images option.
  NameList lstKnownElements;
  NameList lstRemovedElements;
  bool imagesOption = false;
  /// The picture conversion used with the images option: threshold (0..255), dither mode and,
  /// when maxWidth is set, the width wider pictures are shrunk to (see pointAtConverted).
  images::ConversionOptions pictureOptions;
  /// When set, a table that lays the page out (one whose cells hold headings, lists, tables
  /// ...) gives its cells as blocks of their own, not as one long row.
  bool unwrapLayout = false;
  /// Messages about pictures that could not be put into the images folder.
  std::vector<std::string> pictureWarnings;
  /// The folder the converted deck will be written to, which pictures left where they are on
  /// disk are referenced from. Empty: the project's folder, or without a project the page's.
  std::string deckFolder;
  /// When set, a deck that compiles to more WBXML than this is written as several decks,
  /// each under it ("name", "name-2" ...), all of them or none.
  std::size_t maxDeckBytes = 0;
  /// The decks the last import wrote, in reading order: one, or the parts of a split deck.
  std::vector<decks::DeckPart> writtenDecks;
  /// What the last split said of links and pictures it left as text (decks::unsentNote).
  std::string splitNote;

  // Working state, readable by the form and tests.
  xml::XmlDocument m_xmlElements;
  xml::XmlDocument m_xmlDoc;
  std::string m_strWml;
  struct {
    std::string AnalysisPage;
    std::string Preview;
  } m_html;
  std::vector<std::string> m_colRemoved;
  std::vector<std::string> m_colTransformed;
  std::vector<std::string> m_colMapped;
  bool m_bConvertError = false;
  std::string m_strLogText;
  xml::XslTemplate m_xslImport;
  xml::XslTemplate m_xslExport;
  xml::XslTemplate m_xslTidy;

  /// The "Import Error" message shown when the conversion cannot go on.
  static std::string importErrorText();

  /// Waits until the browser and its document are complete.
  void WaitForBrowser();

private:
  std::shared_ptr<html::Document> document() const;
  /// Puts the markup into the body of the browser's document.
  void setBodyHtml(const std::string& markup);
  std::string bodyHtml() const;
  /// The page body as XML: straight from the model when the body is a BODY (the same
  /// document its markup gives), else from its markup.
  std::optional<xml::XmlDocument> bodyXml();
  void showLogPage(const std::shared_ptr<html::Element>& container);
  std::shared_ptr<html::Element> logHead(const std::string& text);
  void fail();
  bool strippedNothing() const { return lstRemovedElements.ListCount() == 0; }
  /// The filtered preview as XML, picture references as local paths (nothing when it would
  /// not read).
  std::optional<xml::XmlDocument> readFineTuned();
  /// The analysis deck's pictures referenced as the preview shows them, as local paths.
  void localReferences(const std::vector<xmlNodePtr>& pictures);
  /// The fine-tuned preview converted again: its deck into m_strWml, and into deck when given;
  /// its ids into m_deckIds. False when the conversion failed, which the user was told.
  bool convertAgain(xml::XmlDocument& fineTuned, xml::XmlDocument* deck);
  /// Whether the document name may be written: refused when the project has a document of
  /// that name, asked when its file exists.
  bool mayTake(const std::string& name) const;
  /// deckFolder, else the project's folder, else the folder of the page being converted.
  std::string pictureBase() const;
  /// Points every picture that is a local file at it by a URL relative to folder.
  void referencePicturesFrom(const std::vector<xmlNodePtr>& pictures, const std::string& folder) const;

  html::Browser& m_browser;
  host::HostProjectRef m_project;
  host::HostXmlTools m_xmlTools;
  host::HostDomTools m_domTools;
  com::ObjectPtr m_evtHandler;
  com::ObjectPtr m_evtTarget;
  bool m_bClose = false;
  std::map<std::string, std::string> m_deckIds;
  bool m_keepEveryId = false;
  std::set<std::string> m_placedIds;
  std::map<std::string, std::string> m_pageIds; // the page's ids as the analysis deck wrote them
  std::string m_pageFolder;
  xml::XslTemplate m_shippedTidy; // the TIDYWML stylesheet, whose rules the engine runs in place
  std::string m_analysisDeck;     // the deck's text as the analysis gave it
};

/// Points a picture of a deck at its converted file in the images folder, named name; where
/// the conversion shrank wide pictures, the picture also says the size it was written at.
void pointAtConverted(xmlNodePtr img, const std::string& name, const images::ConversionOptions& options,
                      const images::ConversionResult& written);

} // namespace tavro::conversion
