// BraskFTP.exe: what the "Ftp" entry starts from the host's application folder. Starts the
// desktop's FTP client on the project folder, or says which clients it looked for.
//
// The project folder is $TAVRO_PROJECT (the host sets it when it opens a project), else the
// current folder.

#include "app/ftp/ftpclient.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QProcess>

#include <cstdlib>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("BraskFTP");

  QString folder = QDir::currentPath();
  if (const char* project = std::getenv("TAVRO_PROJECT"); project && *project && QDir(project).exists())
    folder = QString::fromLocal8Bit(project);

  const char* path = std::getenv("PATH");
  const std::string pathVariable = path ? path : "/usr/local/bin:/usr/bin:/bin";
  const auto choice =
      tavro::ftp::chooseClient(tavro::ftp::configuredCommand(), folder.toStdString(),
                               [&](const std::string& name) { return tavro::ftp::findInPath(name, pathVariable); });
  if (choice.command.empty()) {
    QMessageBox::warning(nullptr, "Trell Ftp", QString::fromStdString(tavro::ftp::noClientMessage(choice.lookedFor)));
    return 1;
  }
  QStringList arguments;
  for (std::size_t i = 1; i < choice.command.size(); ++i)
    arguments << QString::fromStdString(choice.command[i]);
  if (!QProcess::startDetached(QString::fromStdString(choice.command.front()), arguments, folder)) {
    QMessageBox::warning(
        nullptr, "Trell Ftp",
        QString("The FTP client %1 cannot be started.").arg(QString::fromStdString(choice.command.front())));
    return 1;
  }
  return 0;
}
