#include "desktop/qttranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool koyomix::installQtTranslations(QCoreApplication &app)
{
    // Japanese whatever the session's locale: the window's other texts are Japanese, and a context
    // menu in another language would stand out. First Qt's folder (Debian's qt6-translations-l10n),
    // then where a windeployqt or macdeployqt bundle keeps the files by the program.
    const QString appDir = QCoreApplication::applicationDirPath();
    const QStringList folders = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                                 appDir + QStringLiteral("/translations"),
                                 appDir + QStringLiteral("/../Resources/translations")};
    // windeployqt merges Qt's catalogues into one qt_ja.qm.
    const QStringList catalogues = {QStringLiteral("qtbase_ja"), QStringLiteral("qt_ja")};
    auto *translator = new QTranslator(&app);
    for (const QString &folder : folders) {
        for (const QString &catalogue : catalogues)
            if (translator->load(catalogue, folder))
                return QCoreApplication::installTranslator(translator);
    }
    delete translator;
    return false;
}
