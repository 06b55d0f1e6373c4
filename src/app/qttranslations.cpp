#include "app/qttranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool koyomix::installQtTranslations(QCoreApplication &app)
{
    // Japanese whatever the session's locale: every other text of the window is Japanese,
    // and a context menu in another language would stand out. Qt's own folder comes
    // first (Debian's qt6-translations-l10n); the others are where a bundle made by
    // windeployqt or macdeployqt keeps the files next to the program.
    const QString appDir = QCoreApplication::applicationDirPath();
    const QStringList folders = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                                 appDir + QStringLiteral("/translations"),
                                 appDir + QStringLiteral("/../Resources/translations")};
    auto *translator = new QTranslator(&app);
    for (const QString &folder : folders) {
        if (translator->load(QStringLiteral("qtbase_ja"), folder))
            return QCoreApplication::installTranslator(translator);
    }
    delete translator;
    return false;
}
