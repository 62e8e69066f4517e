// Qt's own texts (file dialogs, standard buttons, line-edit menus) in
// French: the program is French whatever the system's language.
#pragma once

class QCoreApplication;

namespace velkor {

// Loads qtbase_fr.qm from Qt's translations, or from "translations" beside
// the executable where Qt's folder is not there (a copied installation).
// False when no translation was found; Qt then speaks English.
bool installFrenchTranslation(QCoreApplication& app);

}  // namespace velkor
