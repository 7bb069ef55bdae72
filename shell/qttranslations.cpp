#include "qttranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool InstallQtTranslations(QCoreApplication& app)
{
    auto* qt = new QTranslator(&app);
    // qtbase_fa_IR, else qtbase_fa.
    if (!qt->load(QLocale(QLocale::Persian, QLocale::Iran), QStringLiteral("qtbase"),
                  QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return false;
    }
    return QCoreApplication::installTranslator(qt);
}
