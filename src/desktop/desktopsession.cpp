#include "desktop/desktopsession.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QLibraryInfo>
#include <QWidget>

namespace {

bool isSet(const char *name)
{
    return !qEnvironmentVariableIsEmpty(name);
}

// Windows of one size only: Qt gives the compositor their minimum and maximum size, equal, and
// no maximise hint.
bool isFixed(const QWidget *w)
{
    return w->isWindow() && w->minimumSize() == w->maximumSize();
}

class WindowKeeper : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!watched->isWidgetType())
            return false;
        auto *w = static_cast<QWidget *>(watched);
        switch (event->type()) {
        case QEvent::WindowStateChange:
            // Qt's own title bars (adwaita, bradient) maximise on a double-click or their maximise
            // button without reading the window's flags or size limits, and mutter grants what
            // the client asks; KWin makes any window fullscreen from its menu. Qt offers no way
            // to tell them, so the state is undone. Qt reports it here only once the compositor
            // has granted it and Qt has acknowledged that, so the undoing comes after the grant.
            if (constexpr auto sized = Qt::WindowMaximized | Qt::WindowFullScreen;
                isFixed(w) && (w->windowState() & sized))
                w->setWindowState(w->windowState() & ~sized);
            break;
        case QEvent::WindowActivate:
            // A click on a window behind its notice activates it, as Wayland knows no modal
            // windows; Qt's X11 platform hands such an activation on to the notice, and so does
            // this. Asked after Qt's own requests for the window just activated, so it comes last.
            if (QWidget *modal = QApplication::activeModalWidget();
                w->isWindow() && modal && modal != w && !modal->isAncestorOf(w)) {
                QMetaObject::invokeMethod(
                    modal, [modal] { modal->activateWindow(); }, Qt::QueuedConnection);
            }
            break;
        default:
            break;
        }
        return false;
    }
};

} // namespace

void koyomix::chooseWindowSystem()
{
    if (isSet("QT_QPA_PLATFORM") || isSet("QT_WAYLAND_DECORATION") || !isSet("DISPLAY") ||
        qgetenv("XDG_SESSION_TYPE") != "wayland" ||
        !qgetenv("XDG_CURRENT_DESKTOP").split(':').contains("GNOME"))
        return;
    // mutter draws no title bar for a Wayland window: Qt draws it. Where Qt has its adwaita
    // decoration (Qt 6.8), which it picks under GNOME, it looks like GNOME's own; Qt 6.4 has only
    // a plain one, with a maximise button on fixed windows and titles cut short. Through
    // Xwayland mutter frames the window itself, as it frames GNOME's own programs.
    const QDir decorations(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                           QStringLiteral("/wayland-decoration-client"));
    if (decorations.entryList({QStringLiteral("*adwaita*")}, QDir::Files).isEmpty())
        qputenv("QT_QPA_PLATFORM", "xcb");
}

void koyomix::chooseInputMethod()
{
    // The fields take ASCII digits only and tell the input method so (inputmethod.cpp). Qt's ibus
    // and fcitx modules ask the focused field and keep the IME off there; Qt 6.8's text-input v3
    // client (Wayland's own route, taken when nothing is named, or "wayland") switches it on at
    // the compositor's word without asking, and the digits then stay in an uncommitted
    // composition. So only the modules that ask the field are kept, in the user's order, and
    // compose (dead keys, no IME) stands in for the rest. Qt 6.8 reads the list QT_IM_MODULES
    // before QT_IM_MODULE; Qt 6.4 reads only the latter.
    const QByteArray named = qgetenv(isSet("QT_IM_MODULES") ? "QT_IM_MODULES" : "QT_IM_MODULE");
    // Appended to one text, not a list, whose growth would bring in an unchecked memmove.
    QByteArray kept;
    for (const QByteArray &module : named.toLower().split(';'))
        if (module == "ibus" || module == "fcitx" || module == "fcitx5")
            kept += module + ';';
    kept += "compose";
    qputenv("QT_IM_MODULE", kept.split(';').constFirst());
    qputenv("QT_IM_MODULES", kept);
}

void koyomix::keepWindowsInPlace(QApplication &app)
{
    // On X11 the window manager draws the frame and keeps both itself.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        app.installEventFilter(new WindowKeeper(&app));
}
