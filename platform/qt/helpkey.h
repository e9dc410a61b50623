#pragma once
// F1 in the add-in's windows opens the application's help file through the ui services.

#include <string>

class QWidget;

namespace tavro::qt {

/// The help file that F1 opens in every window of the add-in; a dialog's HelpFile sets it.
void setApplicationHelpFile(std::string path);
const std::string& applicationHelpFile();

/// Makes F1, pressed anywhere in window, open the application's help file (or tell the user
/// that there is none).
void installHelpKey(QWidget* window);

} // namespace tavro::qt
