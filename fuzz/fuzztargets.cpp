#include "fuzz/fuzztargets.h"

#include "conversion/importengine.h"
#include "decks/deckrepair.h"
#include "decks/split.h"
#include "decks/wbxml.h"
#include "decks/wmlcheck.h"
#include "export/exportengine.h"
#include "fuzz/exportreading.h"
#include "host/folderproject.h"
#include "htmlimport/browsertaming.h"
#include "htmlimport/modhtmlimport.h"
#include "images/imagecodecs.h"
#include "images/imagingcomponent.h"
#include "platform/com/comerror.h"
#include "platform/html/browser.h"
#include "platform/ui/uiservices.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include <unistd.h>

namespace tavro::fuzz {

namespace stdfs = std::filesystem;

namespace {

// Inputs above these sizes are skipped: they find nothing the small ones do not and slow every
// run down (gumbo and libxml2 are quadratic in some shapes of input).
constexpr std::size_t kMaxPageBytes = 256 * 1024;
constexpr std::size_t kMaxWmlBytes = 256 * 1024;
// Splitting compiles each part many times over; larger decks would slow every run down.
constexpr std::size_t kMaxSplitBytes = 8 * 1024;
constexpr std::size_t kMaxPictureBytes = 256 * 1024;
constexpr std::size_t kMaxManifestBytes = 64 * 1024;
// Pictures with more pixels are loaded (the readers are what matters) but not taken further.
constexpr std::int64_t kMaxPicturePixels = std::int64_t(1) << 18;

[[noreturn]] void broken(const char* what) {
  std::fprintf(stderr, "fuzz: invariant broken: %s\n", what);
  std::fflush(stderr);
  std::abort();
}

void writeBytes(const stdfs::path& path, const void* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), std::streamsize(size));
  if (!out)
    broken("cannot write a file into the harness's own folder");
}

std::string readBytes(const stdfs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Answers every question with Yes (or OK), cancels file dialogs and never starts a program.
class FuzzUi : public ui::UiServices {
public:
  int msgBox(const std::string&, int style, const std::string&) override {
    const int buttons = ui::buttonsOf(style);
    return buttons == ui::vbYesNo || buttons == ui::vbYesNoCancel ? ui::vbYes : ui::vbOK;
  }
  std::optional<std::string> openFile(const ui::FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> saveFile(const ui::FileDialogRequest&) override { return std::nullopt; }
  void setPointer(ui::Pointer) override {}
  void showHelp(const std::string&) override {}
  bool startProgram(const std::string&) override { return false; }
};

// The harness's folder: under $TAVRO_FUZZ_TMP, else /dev/shm (atomic writes flush to disk,
// which is slow elsewhere), else the system's temporary folder.
class WorkFolder {
public:
  WorkFolder() {
    stdfs::path base;
    if (const char* env = std::getenv("TAVRO_FUZZ_TMP"); env && *env)
      base = env;
    else if (std::error_code ec; stdfs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0)
      base = "/dev/shm";
    else
      base = stdfs::temp_directory_path();
    std::string pattern = (base / "tavro-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
      broken("cannot make the harness's temporary folder");
    m_path = pattern;
    stdfs::create_directory(m_path / "tmp");
    // Temporary files the engine makes (staging folders) stay inside too.
    ::setenv("TMPDIR", (m_path / "tmp").c_str(), 1);
    ui::installServices(std::make_shared<FuzzUi>());
  }
  ~WorkFolder() {
    std::error_code ec;
    stdfs::remove_all(m_path, ec);
  }
  const stdfs::path& path() const { return m_path; }
  std::string text() const { return m_path.string(); }

private:
  stdfs::path m_path;
};

WorkFolder& work() {
  static WorkFolder folder;
  return folder;
}

stdfs::path subFolder(const char* name) {
  stdfs::path p = work().path() / name;
  stdfs::create_directories(p);
  return p;
}

// A 2 x 2 BMP (8-bit grey) and a 3 x 2 WBMP, for pages to reference as pictures.
const unsigned char kTinyBmp[] = {'B', 'M', 0x46, 0x04, 0, 0, 0, 0, 0, 0, 0x36, 0x04, 0, 0, 40, 0, 0, 0, 2, 0,
                                  0,   0,   2,    0,    0, 0, 1, 0, 8, 0, 0,    0,    0, 0, 8,  0, 0, 0, 0, 0,
                                  0,   0,   0,    0,    0, 0, 0, 0, 0, 0, 0,    0,    0, 0, 0,  0, 0, 0};
const unsigned char kTinyWbmp[] = {0, 0, 3, 2, 0xA0, 0x40};

void writeTinyBmp(const stdfs::path& path) {
  std::string bytes(reinterpret_cast<const char*>(kTinyBmp), sizeof kTinyBmp);
  for (int i = 0; i < 256; ++i) // grey palette
    bytes += std::string{char(i), char(i), char(i), 0};
  bytes += std::string{0, char(0x80), 0, 0, char(0xff), 0x40, 0, 0};
  writeBytes(path, bytes.data(), bytes.size());
}

} // namespace

const std::string& workFolder() {
  static const std::string text = work().text();
  return text;
}

// --- Pages -------------------------------------------------------------------------------

namespace {

struct PageSetup {
  PageSetup() {
    pages = subFolder("page");
    stdfs::create_directories(pages / "images");
    writeTinyBmp(pages / "pic.bmp");
    writeTinyBmp(pages / "images" / "tiles.bmp");
    writeBytes(pages / "pic.wbmp", kTinyWbmp, sizeof kTinyWbmp);
    writeBytes(pages / "images" / "logo.wbmp", kTinyWbmp, sizeof kTinyWbmp);
    project =
        host::FolderProject::create((subFolder("import") / "project").string(), "Fuzz", subFolder("app").string());
  }
  stdfs::path pages;
  std::shared_ptr<host::FolderProject> project;
};

// The catalogue and the three stylesheets, loaded once: compiling them on every run would
// take most of the run's time. A run's engine borrows them and gives them back, so each run
// still starts from a fresh engine.
struct ConversionResources {
  xml::XmlDocument elements;
  xml::XslTemplate import, exportSheet, tidy;

  static ConversionResources& loaded() {
    static ConversionResources resources = [] {
      html::Browser browser;
      conversion::ImportEngine engine(browser, host::HostProjectRef());
      engine.LoadConversionResources();
      return ConversionResources{std::move(engine.m_xmlElements), std::move(engine.m_xslImport),
                                 std::move(engine.m_xslExport), std::move(engine.m_xslTidy)};
    }();
    return resources;
  }
};

class BorrowedResources {
public:
  explicit BorrowedResources(conversion::ImportEngine& engine)
      : m_engine(engine), m_resources(ConversionResources::loaded()) {
    swapAll();
  }
  ~BorrowedResources() { swapAll(); }
  BorrowedResources(const BorrowedResources&) = delete;
  BorrowedResources& operator=(const BorrowedResources&) = delete;

private:
  void swapAll() {
    std::swap(m_engine.m_xmlElements, m_resources.elements);
    std::swap(m_engine.m_xslImport, m_resources.import);
    std::swap(m_engine.m_xslExport, m_resources.exportSheet);
    std::swap(m_engine.m_xslTidy, m_resources.tidy);
  }
  conversion::ImportEngine& m_engine;
  ConversionResources& m_resources;
};

} // namespace

void feedPage(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxPageBytes)
    return;
  static PageSetup setup;
  const stdfs::path page = setup.pages / "page.html";
  writeBytes(page, data, size);

  html::Browser browser;
  htmlimport::BrowserTaming taming(browser);
  conversion::ImportEngine engine(browser, host::HostProjectRef(setup.project));
  BorrowedResources resources(engine);
  try {
    if (!htmlimport::LoadHtmlFile(page.string(), browser))
      return;
    auto doc = browser.Document();
    if (!doc)
      broken("a page that loaded has no document");
    // A frameset: the wizard lists its frames and goes no further with this page.
    auto frames = doc->getElementsByTagName("FRAME");
    if (!frames.empty()) {
      engine.ShowFramesPage(frames);
      return;
    }
    if (auto body = doc->body())
      body->clearAttributes();

    // Every third input has its layout tables given as blocks.
    engine.unwrapLayout = size % 3 == 2;
    if (engine.ConvertSource() != conversion::StepResult::Done)
      return;
    if (engine.BuildPreview() != conversion::StepResult::Done)
      return;
    // Half the inputs also have one element kind stripped, as the fine-tune page does; the
    // length picks which.
    if ((size & 1) && engine.lstKnownElements.ListCount() > 0) {
      engine.lstKnownElements.setListIndex(int((size >> 1) % std::size_t(engine.lstKnownElements.ListCount())));
      conversion::ImportEngine::MoveListItems(engine.lstKnownElements, engine.lstRemovedElements, true);
      engine.StripRemovedElements(engine.m_html.Preview);
    }
    engine.imagesOption = true;
    engine.pictureOptions.dither = data[size / 2] % 5;
    const std::string target = setup.project->ProjectFolder() + "/page.wml";
    if (engine.ImportIntoProject(target, "page", true)) {
      if (readBytes(target) != engine.m_strWml)
        broken("the imported document is not the WML the engine made");
      // Whatever the page, the deck a phone gets is valid WML 1.1.
      xml::XmlDocument deck;
      if (!decks::loadDeck(deck, engine.m_strWml) || decks::firstFault(deck))
        broken("an imported deck is not valid WML 1.1");
    }
  } catch (const com::ComError&) {
    // A run-time error the engine raises to its caller on purpose.
  }
}

// --- WML ---------------------------------------------------------------------------------

namespace {

struct WmlSetup {
  WmlSetup() {
    const stdfs::path base = subFolder("wml");
    project = host::FolderProject::create((base / "project").string(), "Fuzz", subFolder("app").string());
    document = base / "project" / "doc.wml";
    writeBytes(document, "<wml/>", 6);
    if (!project->AddDocument("doc"))
      broken("cannot add the document to the harness's project");
    output = base / "out";
    stdfs::create_directories(output);
    engine.setProject(host::HostProjectRef(project));
    engine.LoadExportStylesheet();
  }
  std::shared_ptr<host::FolderProject> project;
  stdfs::path document;
  stdfs::path output;
  ExportEngine engine;
};

} // namespace

// A valid deck split under a phone's limit: every part valid and under it, or a reason why not.
void splitValidDeck(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  xml::XmlDocument deck;
  if (size > kMaxSplitBytes || !decks::loadDeck(deck, text) || decks::firstFault(deck))
    return;
  // Mostly a phone's small limits; one input in six gets one whose pieces are long enough for
  // the search that starts from a guess.
  const std::size_t limit = size % 6 == 5 ? 2500 : 200 + (size % 5) * 150;
  try {
    const decks::SplitDeck split = decks::splitDeck(text, "doc", limit);
    if (split.parts.size() == 1)
      return; // a deck that fits, given back as it is
    for (const auto& part : split.parts) {
      xml::XmlDocument read;
      if (!decks::loadDeck(read, part.text) || decks::firstFault(read))
        broken("a part of a split deck is not valid WML 1.1");
      if (decks::compileWbxml(part.text).size() > limit)
        broken("a part of a split deck is over the limit");
    }
  } catch (const decks::SplitError&) {
  } catch (const decks::WbxmlError&) {
  }
}

void feedWml(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxWmlBytes)
    return;
  splitValidDeck(data, size);
  static WmlSetup setup;
  writeBytes(setup.document, data, size);
  const std::string text(reinterpret_cast<const char*>(data), size);
  xml::XmlDocument deck;
  const bool valid = decks::loadDeck(deck, text) && !decks::firstFault(deck);
  try {
    for (bool images : {false, true}) {
      setup.engine.setConvertImages(images);
      setup.engine.setInlineWbmp(images);
      std::string html;
      if (!setup.engine.Transform("doc", html))
        return;
      // The page of a valid deck reads in a browser as the tree it was written from.
      if (const std::string fault = valid && !images ? htmlReadsAs(html, exportedTree(text)) : ""; !fault.empty()) {
        std::fprintf(stderr, "%s\n", fault.c_str());
        broken("an exported page does not read in a browser as its tree");
      }
      const stdfs::path target = setup.output / (images ? "doc-images.html" : "doc.html");
      if (!setup.engine.WriteExportFile(target.string(), html))
        broken("an export into the harness's folder was not written");
      if (readBytes(target) != html)
        broken("the exported file is not the HTML the transformation gave");
    }
  } catch (const com::ComError&) {
  }
}

// --- Pictures ----------------------------------------------------------------------------

namespace {

// Writes the picture in both formats and reads each back: the pixels must survive.
void saveAndReload(const images::ImagingComponent& picture, const stdfs::path& folder) {
  for (const char* format : {"wbmp", "bmp"}) {
    images::ImagingComponent copy = picture;
    const stdfs::path file = folder / (std::string("out.") + format);
    if (!copy.SaveImage(file.string(), format))
      broken("a held picture could not be written into the harness's folder");
    images::ImagingComponent back;
    if (!back.LoadImage(file.string()))
      broken("a written picture does not load again");
    const images::Picture& a = picture.picture();
    const images::Picture& b = back.picture();
    if (a.width != b.width || a.height != b.height)
      broken("a written picture loads with another size");
    // WBMP keeps one bit a pixel; BMP keeps black and white, or the grey levels.
    const bool exact = a.monochrome || std::string(format) == "bmp";
    for (std::size_t i = 0; exact && i < a.pixels.size(); ++i) {
      if (a.pixels[i] != b.pixels[i])
        broken("a written picture loads with other pixels");
    }
  }
  // The PNG an exported page shows keeps every grey level.
  const stdfs::path png = folder / "out.png";
  const std::string bytes = images::encodePng(picture.picture());
  writeBytes(png, bytes.data(), bytes.size());
  if (images::readPicture(png.string()).pixels != picture.picture().pixels)
    broken("a picture written as PNG loads with other pixels");
}

} // namespace

void feedPicture(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxPictureBytes)
    return;
  static const stdfs::path folder = subFolder("picture");
  const stdfs::path input = folder / "in.pic";
  writeBytes(input, data, size);

  images::ImagingComponent original;
  const bool loaded = original.LoadImage(input.string());
  // Reduced while it is decoded, the picture must load as it does on its own, and fail alike.
  images::ImagingComponent streamed;
  if (streamed.LoadAsMonochrome(input.string(), 4, 128) != loaded || streamed.LastError() != original.LastError())
    broken("a picture reduced while it is decoded loads otherwise");
  if (!loaded) {
    if (original.LastError() == 0)
      broken("a failed load left no error code");
    return;
  }
  images::ImagingComponent serial = original;
  if (!serial.ConvertToMonochrome(4, 128) || serial.picture().pixels != streamed.picture().pixels)
    broken("a picture reduced while it is decoded has other pixels");
  const std::int64_t width = original.ImageWidth(), height = original.ImageHeight();
  if (!images::withinLimits(width, height) || std::int64_t(original.picture().pixels.size()) != width * height)
    broken("a loaded picture's size and pixels disagree");
  if (width * height > kMaxPicturePixels)
    return;

  // The resize and the threshold come from the last bytes, which most readers ignore.
  auto tail = [&](std::size_t back) { return size > back ? data[size - 1 - back] : std::uint8_t(0); };
  const std::int32_t w = 1 + tail(0) % 97, h = 1 + tail(1) % 97, mode = tail(2) & 1, threshold = tail(3);

  images::ImagingComponent resized = original;
  if (!resized.Resize(w, h, mode))
    broken("a small resize failed");
  if (mode == 1 ? (resized.ImageWidth() != w || resized.ImageHeight() != h)
                : (resized.ImageWidth() > w || resized.ImageHeight() > h))
    broken("a resize gave the wrong size");

  saveAndReload(original, folder);
  for (std::int32_t dither = 0; dither <= 4; ++dither) {
    images::ImagingComponent reduced = resized;
    if (!reduced.ConvertToMonochrome(dither, threshold))
      broken("a reduction to black and white failed");
    saveAndReload(reduced, folder);
  }
  // Error diffusion over the picture's own size as well: the dialog's default path.
  images::ImagingComponent full = original;
  if (!full.ConvertToMonochrome(4, threshold))
    broken("a reduction to black and white failed");
  saveAndReload(full, folder);
}

// --- Manifests ---------------------------------------------------------------------------

void feedManifest(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxManifestBytes)
    return;
  static const stdfs::path folder = [] {
    stdfs::path f = subFolder("manifest") / "project";
    stdfs::create_directories(f);
    writeBytes(f / "added.wml", "<wml/>", 6);
    return f;
  }();
  const stdfs::path manifest = folder / "X.wmlproj";
  writeBytes(manifest, data, size);

  std::shared_ptr<host::FolderProject> project;
  try {
    project = host::FolderProject::open(folder.string(), work().text());
  } catch (const com::ComError&) {
    return; // refused with a message naming the manifest
  }
  std::vector<host::DocumentEntry> expected = project->documents();
  (void)project->Documents();
  if (!project->AddDocument("added"))
    broken("a document present in the folder could not be added");
  bool present = false;
  for (const auto& d : expected)
    present = present || (d.name == "added" && d.type == "wml");
  if (!present)
    expected.push_back({"added", "wml"});

  // What the project wrote must open again and hold the same list.
  std::shared_ptr<host::FolderProject> again;
  try {
    again = host::FolderProject::open(folder.string(), work().text());
  } catch (const com::ComError& e) {
    std::fprintf(stderr, "fuzz: %s\n", e.what());
    broken("a manifest the project wrote does not open");
  }
  const auto& got = again->documents();
  bool same = got.size() == expected.size() && again->ProjectName() == project->ProjectName();
  for (std::size_t i = 0; same && i < got.size(); ++i)
    same = got[i].name == expected[i].name && got[i].type == expected[i].type;
  if (!same)
    broken("a manifest the project wrote opens with other documents");
}

} // namespace tavro::fuzz
