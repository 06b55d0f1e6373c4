#pragma once

class QCoreApplication;

namespace koyomix {

// Installs Qt's own Japanese texts (the fields' context menus, the buttons of standard
// boxes). Returns false, and changes nothing, when they are not installed.
bool installQtTranslations(QCoreApplication &app);

} // namespace koyomix
