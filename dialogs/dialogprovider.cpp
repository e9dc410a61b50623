#include "dialogs/dialogprovider.h"

#include "export/frmwmlexport.h"
#include "host/hostproject.h"
#include "htmlimport/frmhtmlimport.h"
#include "images/formimages.h"

#include <QCoreApplication>

#include <vector>

namespace tavro::qt {

namespace {

// Set once the process (or the library) is being torn down.
bool& exiting() {
  static bool flag = false;
  return flag;
}

// Constructed on first use, after the launcher's table of dialogs, so destroyed before it:
// the forms then know that they are going with the process.
struct ExitWatch {
  ~ExitWatch() { exiting() = true; }
};

// Holds one form for the launcher. The launcher keeps its dialogs until the library goes:
// at exit, after the QApplication or with Qt's own state half torn down. A widget cannot be
// destroyed then, and the process is ending anyway, so the form is left to it.
template <typename Form>
class FormDialog : public WizardDialog {
public:
  FormDialog() : m_form(new Form) { static ExitWatch watch; }
  ~FormDialog() override {
    if (!exiting() && QCoreApplication::instance()) {
      delete m_form;
      return;
    }
    // Kept reachable, so that leak checkers see it was left on purpose.
    static auto* abandoned = new std::vector<QWidget*>;
    abandoned->push_back(m_form);
  }
  FormDialog(const FormDialog&) = delete;
  FormDialog& operator=(const FormDialog&) = delete;

  void setHelpFile(const std::string& path) override { m_form->HelpFile(path); }
  void showModal() override { m_form->exec(); }

protected:
  Form* m_form;
};

class ExportDialog : public FormDialog<frmWMLExport> {
public:
  void setProject(const com::ObjectPtr& project) override { m_form->Project(host::HostProjectRef(project)); }
  // The export dialog writes no preview.
  void setPreviewLocation(const std::string&) override {}
};

class ImageDialog : public FormDialog<formImages> {
public:
  // The image dialog works on files the user picks, not on the project.
  void setProject(const com::ObjectPtr&) override {}
  void setPreviewLocation(const std::string& path) override { m_form->PreviewLocation(path); }
};

// The import wizard is a WizardDialog itself (it loads on show and unloads on closing); the
// holder forwards to it.
class ImportDialog : public FormDialog<frmHTMLImport> {
public:
  void setHelpFile(const std::string& path) override { m_form->setHelpFile(path); }
  void setProject(const com::ObjectPtr& project) override { m_form->setProject(project); }
  void setPreviewLocation(const std::string& path) override { m_form->setPreviewLocation(path); }
  void showModal() override { m_form->showModal(); }
};

} // namespace

std::unique_ptr<WizardDialog> DialogProvider::create(DialogKind kind) {
  switch (kind) {
  case DialogKind::Export: return std::make_unique<ExportDialog>();
  case DialogKind::Image: return std::make_unique<ImageDialog>();
  case DialogKind::Import: return std::make_unique<ImportDialog>();
  }
  return nullptr;
}

} // namespace tavro::qt
