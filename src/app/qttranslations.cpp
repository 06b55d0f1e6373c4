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
    // windeployqt merges Qt's catalogues into one qt_ja.qm.
    const QStringList catalogues = {QStringLiteral("qtbase_ja"), QStringLiteral("qt_ja")};
    auto *translator = new QTranslator(&app);
    for (const QString &folder : folders) {
        for (const QString &catalogue : catalogues) {
            if (translator->load(catalogue, folder))
                return QCoreApplication::installTranslator(translator);
        }
    }
    delete translator;
    return false;
}
