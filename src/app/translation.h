#pragma once

class QCoreApplication;

// Installs Qt's own Brazilian Portuguese texts (standard buttons read "Sim" and
// "Não"). Returns false when the translation file is not installed.
bool installQtTranslation(QCoreApplication& app);
