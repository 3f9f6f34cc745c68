#pragma once

class QCoreApplication;

// Installs the translation of the user's language (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), for
// the program's own texts and for Qt's; without one the English texts stand.
void installTranslations(QCoreApplication& app);
