#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void installTranslations(QCoreApplication& app)
{
    auto* own = new QTranslator(&app);
    const bool translated = own->load(QLocale(), QStringLiteral("tockles"), QStringLiteral("_"),
                                      QStringLiteral(":/i18n"));
    if (translated)
        QCoreApplication::installTranslator(own);
    // Qt's own texts (a field's menu) and the layout's direction: in the panel's language where
    // Tockles has one, not in the first of the user's languages that Qt has (Hebrew listed
    // before German mirrored a German panel).
    auto* qt = new QTranslator(&app);
    const QLocale shown = translated ? QLocale(own->language()) : QLocale();
    if (qt->load(shown, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
}
