// tavro-host: a stand-in for the authoring application. It registers the add-in when needed,
// creates Tavro.wizard by name through the class registry, opens a project folder and offers
// the add-in's wizards.
//
//   tavro-host [PROJECT-FOLDER]

#include "app/host/hostwindow.h"

#include "host/folderproject.h"
#include "platform/registry/activation.h"
#include "platform/registry/installedfiles.h"
#include "util/allocator.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMessageBox>
#include <QSettings>

#include <filesystem>

using namespace tavro;

namespace {

// The add-in beside this program (a build folder) or in the installed add-in folder,
// registered unless the registry already knows Tavro.wizard.
void ensureRegistered() {
  com::Registry registry;
  if (auto path = registry.lookup("Tavro.wizard"); path && std::filesystem::exists(*path))
    return;
  const auto found = com::findAddinLibrary();
  if (!found)
    throw com::ComError(com::errCannotCreate, "the add-in library libtavro.so is neither beside this program nor "
                                              "in its installed folder");
  const std::string& library = *found;
  void* handle = com::loadLibrary(library);
  auto registerServer = reinterpret_cast<com::HResult (*)()>(com::librarySymbol(handle, "DllRegisterServer"));
  if (!registerServer || registerServer() != com::hrOk)
    throw com::ComError(com::errCannotCreate, "cannot register the add-in '" + library + "'");
}

} // namespace

int main(int argc, char** argv) {
  tavro::util::tuneAllocator();
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Tavro");
  QApplication::setApplicationName("tavro-host");

  QCommandLineParser parser;
  parser.setApplicationDescription("The stand-in host of the Tavro add-in.");
  parser.addHelpOption();
  parser.addPositionalArgument("folder", "The project folder to open.");
  parser.process(app);

  const std::string applicationPath = host::FolderProject::defaultApplicationPath();
  std::error_code ec;
  std::filesystem::create_directories(applicationPath, ec);
  // The "Ftp" entry starts BraskFTP.exe in the application folder; the folder is the user's
  // own (the image dialog writes there), so the shipped starter is linked into it.
  if (auto starter = com::findFtpStarter())
    com::linkInto(applicationPath, "BraskFTP.exe", *starter);

  com::ObjectPtr wizard;
  try {
    ensureRegistered();
    wizard = com::createObject("Tavro.wizard");
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, "Velmor Professional", QString("The add-in cannot be loaded.\n%1").arg(e.what()));
    return 1;
  }

  hostapp::HostWindow window(wizard, applicationPath);
  window.show();
  const QStringList folders = parser.positionalArguments();
  const QString last = QSettings().value("lastProject").toString();
  if (!folders.isEmpty())
    window.openProject(QDir(folders.front()).absolutePath());
  else if (!last.isEmpty() && QDir(last).exists())
    window.openProject(last);
  int rc = app.exec();
  return rc;
}
