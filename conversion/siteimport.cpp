#include "conversion/siteimport.h"

#include "decks/deckrepair.h"
#include "decks/split.h"
#include "decks/wbxml.h"
#include "images/wbmpconversion.h"
#include "platform/com/comerror.h"
#include "platform/fs/filesystem.h"
#include "platform/ui/consoleui.h"
#include "platform/xml/xmldocument.h"
#include "util/fileurl.h"
#include "util/parallel.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <set>

namespace tavro::conversion {

namespace stdfs = std::filesystem;

namespace {

struct ConvertedPage {
  std::optional<xml::XmlDocument> deck; // nothing when the page failed
  std::map<std::string, std::string> ids;
  std::set<std::string> placed; // the ids of elements that left nothing in the deck
  std::string why;
  std::vector<decks::DeckPart> parts; // the decks written: the deck, or its parts
  std::string messages;               // what the page's conversion said, in order
  std::string splitNote;              // what its split said of the links it left as text
};

// The deck of a frameset: a line and a link for each of its frames.
xml::XmlDocument framesetDeck(const std::vector<std::string>& frames) {
  std::string card = "<wml><card><p>";
  for (std::size_t i = 0; i < frames.size(); ++i)
    card += std::string(i ? "<br/>" : "") + "<a/>";
  xml::XmlDocument deck;
  deck.loadXML(card + "</p></card></wml>");
  std::size_t i = 0;
  for (xmlNodePtr link : deck.selectNodes("//a")) {
    xmlSetProp(link, BAD_CAST "href", BAD_CAST frames[i].c_str());
    xmlNodeAddContent(link, BAD_CAST frames[i].c_str());
    ++i;
  }
  decks::makeValid(deck);
  return deck;
}

ConvertedPage convertPage(const SitePage& page, const host::HostProjectRef& project, const PageOpener& open) {
  ConvertedPage converted;
  try {
    std::unique_ptr<OpenedPage> opened = open(page.file.string(), project);
    if (auto frames = opened->frames(); !frames.empty()) {
      converted.deck = framesetDeck(frames);
      return converted;
    }
    ImportEngine& engine = opened->engine();
    engine.keepEveryId(true); // until the links of the whole site are known
    xml::XmlDocument deck;
    // Nothing is stripped from a site's pages, so their decks need no preview.
    if (engine.ConvertSource() != StepResult::Done)
      converted.why = "it could not be turned into XML, so it cannot be converted";
    else if (!engine.PrepareDeck(project.ProjectFolder(), deck))
      converted.why = "the conversion failed in its final stage";
    else {
      converted.deck = std::move(deck);
      converted.ids = engine.deckIds();
      converted.placed = engine.placedIds();
    }
  } catch (const std::exception& e) {
    converted.why = e.what();
  }
  return converted;
}

// Takes out the ids of elements that left nothing in their decks that no link of the site leads
// to: each costs a phone bytes, and a page's layout has many.
void unplaceUnlinkedIds(std::vector<ConvertedPage>& converted, const std::vector<SitePage>& pages) {
  std::map<std::string, std::set<std::string>> linked; // a deck's name, the ids links lead to there
  for (std::size_t i = 0; i < pages.size(); ++i) {
    if (!converted[i].deck)
      continue;
    for (xmlNodePtr link : converted[i].deck->selectNodes("//a[@href] | //go[@href]")) {
      const std::string href = xml::attribute(link, "href");
      const std::size_t hash = href.find('#');
      if (hash == std::string::npos)
        continue;
      std::string deck = href.substr(0, std::min(hash, href.find('?')));
      if (deck.empty())
        deck = pages[i].name;
      else if (deck.size() > 4 && deck.ends_with(".wml"))
        deck.resize(deck.size() - 4);
      linked[deck].insert(href.substr(hash + 1));
    }
  }
  for (std::size_t i = 0; i < pages.size(); ++i)
    if (converted[i].deck)
      decks::unplaceIds(*converted[i].deck, converted[i].placed, linked[pages[i].name]);
}

// The pictures the decks show that lie on this machine, each named once in images/: its base
// name, numbered where two pictures share one, in the order of their paths.
std::map<std::string, std::string> namePictures(const std::vector<ConvertedPage>& pages, const std::string& folder) {
  std::set<std::string> sources;
  for (const auto& page : pages) {
    if (!page.deck)
      continue;
    for (xmlNodePtr img : page.deck->selectNodes("//img")) {
      const std::string src = xml::attribute(img, "src");
      std::optional<std::string> path = util::percentDecode(src);
      if (src.empty() || src.find(':') != std::string::npos || !path)
        continue;
      const std::string file = (stdfs::path(folder) / *path).lexically_normal().string();
      std::error_code ec;
      if (stdfs::is_regular_file(file, ec))
        sources.insert(file);
    }
  }
  std::map<std::string, std::string> names;
  std::set<std::string> taken;
  for (const auto& source : sources) {
    const std::string base = fs::getBaseName(source);
    std::string name = base + ".wbmp";
    for (int n = 2; taken.count(name); ++n)
      name = base + "-" + std::to_string(n) + ".wbmp";
    taken.insert(name);
    names[source] = name;
  }
  return names;
}

// Points a link "name.wml#id" (a query between them kept) into a split deck at the part that
// holds the id, and says whether any link changed. partOfId: by deck name, each id's part.
bool followIntoParts(xml::XmlDocument& deck,
                     const std::map<std::string, std::map<std::string, std::string>>& partOfId) {
  bool changed = false;
  for (xmlNodePtr link : deck.selectNodes("//*[@href]")) {
    const std::string href = xml::attribute(link, "href");
    const auto hash = href.find('#');
    const auto pathEnd = href.find_first_of("?#");
    if (hash == std::string::npos || pathEnd < 4 || href.compare(pathEnd - 4, 4, ".wml") != 0)
      continue;
    auto deckIds = partOfId.find(href.substr(0, pathEnd - 4));
    if (deckIds == partOfId.end())
      continue;
    auto part = deckIds->second.find(href.substr(hash + 1));
    if (part != deckIds->second.end() && part->second != deckIds->first) {
      xmlSetProp(link, BAD_CAST "href", BAD_CAST(part->second + href.substr(pathEnd - 4)).c_str());
      changed = true;
    }
  }
  return changed;
}

// Splits each deck over the limit into parts (taken: names no part may have). Links from the
// other decks into a split one then follow their ids, which can lengthen a part: its page is
// split again on a budget shrunk as much as the part grew, a few times at most.
void splitDecks(std::vector<ConvertedPage>& converted, const std::vector<SitePage>& pages,
                const std::set<std::string>& taken, std::size_t maxBytes, int jobs,
                const std::function<void(std::size_t)>& splitFirst) {
  std::vector<std::string> whole(pages.size());
  std::vector<decks::SplitDeck> split(pages.size());
  std::vector<std::size_t> budget(pages.size(), maxBytes);
  std::vector<char> again(pages.size()); // not vector<bool>: the pages are split on several threads
  for (std::size_t i = 0; i < pages.size(); ++i) {
    if (converted[i].deck) {
      whole[i] = decks::deckText(*converted[i].deck);
      again[i] = true;
    }
  }
  auto fail = [&](std::size_t i, const std::string& why) {
    converted[i].why = why;
    converted[i].deck.reset();
    again[i] = false;
  };
  for (int round = 0; round < 4; ++round) {
    util::forEachParallel(pages.size(), jobs, [&](std::size_t i, std::size_t) {
      if (again[i]) {
        try {
          split[i] = decks::splitDeck(whole[i], pages[i].name, budget[i]);
          converted[i].splitNote = decks::unsentNote(split[i], maxBytes);
          for (std::size_t k = 1; k < split[i].parts.size(); ++k)
            if (taken.count(split[i].parts[k].name))
              throw decks::SplitError("its part " + split[i].parts[k].name +
                                      " would take the name of another document");
        } catch (const std::runtime_error& e) {
          fail(i, std::string("it cannot be split: ") + e.what());
        }
      }
      if (round == 0)
        splitFirst(i);
    });
    std::map<std::string, std::map<std::string, std::string>> partOfId;
    for (std::size_t i = 0; i < pages.size(); ++i)
      if (converted[i].deck && split[i].parts.size() > 1)
        partOfId[pages[i].name] = split[i].partOfId;
    util::forEachParallel(pages.size(), jobs, [&](std::size_t i, std::size_t) {
      again[i] = false;
      if (!converted[i].deck)
        return;
      converted[i].parts = split[i].parts;
      for (auto& part : converted[i].parts) {
        xml::XmlDocument doc;
        if (partOfId.empty() || !decks::loadDeck(doc, part.text) || !followIntoParts(doc, partOfId))
          continue;
        std::string followed = decks::indentedDeck(doc);
        const std::size_t size = decks::compileWbxml(followed).size();
        if (size > maxBytes) {
          // What the links added grows with the links the part holds: what the part held before
          // them, which may be well under the budget already, shrinks as much as the part grew.
          const std::size_t before = part.compiledBytes ? part.compiledBytes : decks::compileWbxml(part.text).size();
          budget[i] = std::min(budget[i], before * maxBytes / size);
          again[i] = true;
        }
        part.text = std::move(followed);
        part.compiledBytes = size;
      }
    });
    if (std::none_of(again.begin(), again.end(), [](char a) { return a; }))
      return;
  }
  for (std::size_t i = 0; i < pages.size(); ++i)
    if (again[i])
      fail(i, "its decks cannot be kept under " + std::to_string(maxBytes) + " bytes compiled");
}

} // namespace

SiteImportResult importSite(const SiteMap& site, host::HostProjectRef project, const PageOpener& open,
                            const SiteImportOptions& options) {
  SiteImportResult result;
  const auto& pages = site.pages();
  const std::string folder = project.ProjectFolder();

  // Every page converted, on as many threads as asked; nothing written yet.
  std::vector<ConvertedPage> converted(pages.size());
  std::mutex progressLock;
  std::size_t done = 0, splitDone = 0;
  util::forEachParallel(pages.size(), options.jobs, [&](std::size_t i, std::size_t) {
    // The page's messages are kept with it, so that pages converted side by side do not mix
    // theirs; a question is answered no.
    std::string said;
    {
      ui::ScopedThreadServices console(std::make_shared<ui::ConsoleUi>(ui::vbNo, said));
      converted[i] = convertPage(pages[i], project, open);
    }
    converted[i].messages = std::move(said);
    if (options.progress) {
      std::lock_guard lock(progressLock);
      options.progress(++done, pages.size(), pages[i]);
    }
  });

  for (std::size_t i = 0; i < pages.size(); ++i)
    if (!converted[i].messages.empty())
      result.messages.push_back({pages[i].relative, converted[i].messages});

  // Names the project holds already are refused unless the decks may be replaced.
  std::set<std::string> held;
  for (const auto& document : project.Documents().all())
    held.insert(document.Name());
  for (std::size_t i = 0; i < pages.size(); ++i) {
    if (!converted[i].deck || options.overwrite)
      continue;
    const std::string& name = pages[i].name;
    if (held.count(name))
      converted[i].why = "the document " + name + " already belongs to the project " + project.ProjectName();
    else if (fs::fileExists(fs::joinPath(folder, name + ".wml")))
      converted[i].why = "the file " + fs::joinPath(folder, name + ".wml") + " already exists";
    if (!converted[i].why.empty())
      converted[i].deck.reset();
  }

  if (!options.keepLinks) {
    std::map<std::string, std::map<std::string, std::string>> ids;
    for (std::size_t i = 0; i < pages.size(); ++i)
      if (converted[i].deck)
        ids[pages[i].name] = converted[i].ids;
    for (std::size_t i = 0; i < pages.size(); ++i)
      if (converted[i].deck)
        site.rewriteLinks(converted[i].deck->documentElement(), pages[i], ids);
  }
  unplaceUnlinkedIds(converted, pages);

  // Each picture converted once, into a staging folder first; the decks then point at it.
  std::unique_ptr<fs::TemporaryFolder> staging;
  std::map<std::string, std::string> pictures;
  if (options.images) {
    pictures = namePictures(converted, folder);
    staging = std::make_unique<fs::TemporaryFolder>("tavro-site");
    std::vector<std::pair<std::string, std::string>> list(pictures.begin(), pictures.end());
    std::vector<images::ConversionResult> results(list.size());
    util::forEachParallel(list.size(), options.jobs, [&](std::size_t i, std::size_t) {
      results[i] = images::convertToWbmpFile(list[i].first, staging->file(list[i].second), options.pictures);
    });
    std::map<std::string, const images::ConversionResult*> written; // by the source's path
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (!results[i].ok) {
        result.warnings.push_back("The picture " + list[i].first +
                                  " was not put into the images folder: " + results[i].message);
        pictures.erase(list[i].first);
      }
      written[list[i].first] = &results[i];
    }
    for (auto& page : converted) {
      if (!page.deck)
        continue;
      for (xmlNodePtr img : page.deck->selectNodes("//img")) {
        std::optional<std::string> path = util::percentDecode(xml::attribute(img, "src"));
        if (!path)
          continue;
        auto it = pictures.find((stdfs::path(folder) / *path).lexically_normal().string());
        if (it != pictures.end())
          pointAtConverted(img, it->second, options.pictures, *written[it->first]);
      }
    }
  }

  if (options.maxDeckBytes > 0) {
    std::set<std::string> taken = options.overwrite ? std::set<std::string>() : held;
    for (const auto& page : pages)
      taken.insert(page.name);
    splitDecks(converted, pages, taken, options.maxDeckBytes, options.jobs, [&](std::size_t i) {
      if (options.splitProgress) {
        std::lock_guard lock(progressLock);
        options.splitProgress(++splitDone, pages.size(), pages[i]);
      }
    });
    for (std::size_t i = 0; i < pages.size(); ++i)
      if (converted[i].deck && !converted[i].splitNote.empty())
        result.warnings.push_back(pages[i].relative + ": " + converted[i].splitNote);
  } else {
    for (std::size_t i = 0; i < pages.size(); ++i)
      if (converted[i].deck)
        converted[i].parts = {{pages[i].name, decks::deckText(*converted[i].deck)}};
  }

  // The writes, one after the other: the pictures, then each deck and its place in the project.
  try {
    if (!pictures.empty()) {
      const std::string imagesFolder = fs::joinPath(folder, "images");
      if (!fs::folderExists(imagesFolder))
        fs::createFolder(imagesFolder);
      for (const auto& [source, name] : pictures)
        fs::copyFile(staging->file(name), fs::joinPath(imagesFolder, name), true);
      result.pictures = pictures.size();
    }
  } catch (const com::ComError& e) {
    // Without the pictures no deck that shows them can be written as it stands.
    for (std::size_t i = 0; i < pages.size(); ++i)
      if (converted[i].deck)
        result.failed.push_back({pages[i].relative, e.what()});
    return result;
  }
  for (std::size_t i = 0; i < pages.size(); ++i) {
    if (!converted[i].deck) {
      result.failed.push_back({pages[i].relative, converted[i].why});
      continue;
    }
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& part : converted[i].parts)
      files.emplace_back(fs::joinPath(folder, part.name + ".wml"), part.text);
    try {
      fs::writeFilesAtomic(files, options.overwrite);
      for (const auto& part : converted[i].parts) {
        if (!project.AddDocument(part.name))
          throw com::ComError(com::errPathFileAccess, "the project did not take the document " + part.name);
        result.imported.push_back(part.name);
      }
      ++result.pagesImported;
    } catch (const com::ComError& e) {
      result.failed.push_back({pages[i].relative, e.what()});
    }
  }
  return result;
}

} // namespace tavro::conversion
