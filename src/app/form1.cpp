#include "app/form1.h"

#include "a11y/accessiblefactory.h"
#include "a11y/noticereading.h"
#include "a11y/resultannouncer.h"
#include "desktop/activation.h"
#include "app/focusguard.h"
#include "desktop/inputmethod.h"
#include "app/resultcopy.h"

#include "ui_form1.h"

#include <QAccessible>
#include <QAction>
#include <QEvent>
#include <QFont>
#include <QImageReader>
#include <QMessageBox>

namespace {

// A picture with its drawing for twice the pixel density, read as XPM by name: left to guess the
// format, Qt would load every image plugin (and libjpeg with them) at start-up to ask each one.
QIcon artIcon(const QString &name)
{
    QIcon icon;
    for (const QString &file : {name, name + QStringLiteral("@2x")}) {
        QImageReader reader(QStringLiteral(":/koyomix/%1.xpm").arg(file), "xpm");
        reader.setAutoDetectImageFormat(false);
        if (const QImage image = reader.read(); !image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

} // namespace

// A fixed frame: title, system menu and close button; no minimise or maximise (one layout size).
Form1::Form1(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_ui(std::make_unique<Ui::Form1>())
{
    // The pictures are compiled into this static library; without this call the linker drops them.
    Q_INIT_RESOURCE(koyomix);
    // The window names the fonts of the Japanese desktop it was drawn for. Debian has none of
    // them, so each is mapped to a free font with the same metrics (a second mapping is a no-op).
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("Koyomix Ver." KOYOMIX_VERSION));
    koyomix::showAsFrame(this);
    setWindowIcon(artIcon(QStringLiteral("calendar")));
    m_hand = artIcon(QStringLiteral("hand"));
    drawHand();
    m_ui->Command2Picture->installEventFilter(this);
    // Clicks and hovering on the picture belong to the button under it.
    m_ui->Command2Picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    for (QLineEdit *field : {m_ui->Text1, m_ui->Text2, m_ui->Text3, m_ui->Text4, m_ui->Text5}) {
        koyomix::useFieldTextInterface(field);
        koyomix::keepInputMethodOff(field);
    }
    for (QLabel *result : {m_ui->Label1, m_ui->Label2, m_ui->Label4, m_ui->Label5})
        koyomix::makeResultCopyable(result);
    koyomix::makeRowResultsCopyable({m_ui->Text1, m_ui->Text2, m_ui->Text3, m_ui->Command1},
                                    m_ui->Label1, m_ui->Label2);
    koyomix::makeRowResultsCopyable({m_ui->Text4, m_ui->Text5, m_ui->Command2}, m_ui->Label4,
                                    m_ui->Label5);
    m_announcer = new koyomix::ResultAnnouncer(this);

    // The about box by a double-click on the credit line, F1 (Qt's key for help) or the line's
    // accessible press: one action, on the label it serves, which tells tools its key.
    m_about = new QAction(QStringLiteral("バージョン情報(&A)"), m_ui->Label6);
    m_about->setObjectName(QAccessibleActionInterface::pressAction());
    m_about->setShortcut(QKeySequence::HelpContents);
    m_ui->Label6->addAction(m_about);
    koyomix::offerLabelActions(m_ui->Label6);
    m_ui->Label6->installEventFilter(this);
    m_focusGuard = std::make_unique<koyomix::FocusGuard>(this);
    m_focusGuard->watchCommand(m_about, [this] { Label6_DblClick(); });
    m_focusGuard->watchButton(m_ui->Command1, [this] { Command1_Click(); });
    m_focusGuard->watchButton(m_ui->Command2, [this] { Command2_Click(); });
    m_focusGuard->watch(m_ui->Text1, [this] { Text1_LostFocus(); });
    m_focusGuard->watch(m_ui->Text2, [this] { Text2_LostFocus(); });
    m_focusGuard->watch(m_ui->Text3, [this] { Text3_LostFocus(); });
    m_focusGuard->watch(m_ui->Text4, [this] { Text4_LostFocus(); });
    m_focusGuard->watch(m_ui->Text5, [this] { Text5_LostFocus(); });

    Form_Initialize();
}

Form1::~Form1() = default;

void Form1::Form_Initialize()
{
    m_ui->Command1->setToolTip(QStringLiteral("ボタンを押すとジュリアン暦に変換します"));
    m_ui->Command2->setToolTip(QStringLiteral("ボタンを押すとグレゴリオ暦に変換します"));
}

void Form1::Form_Load()
{
    show();
    // Set before activation, the focus returns to Text4 then: no other field gains and loses it.
    m_ui->Text4->setFocus();
}

void Form1::Label6_DblClick()
{
    // The caption, then the credit after a blank line, which is also the text of Label6 in
    // form1.ui.
    const QString text = windowTitle() + QStringLiteral("\r\r© 2026 Koyomix");
    m_RET = static_cast<qint16>(ShowNotice(text, NoticeInformation, NoticeTitle));
}

int Form1::ShowNotice(const QString &text, int style, const QString &title)
{
    const koyomix::FocusGuard::Notice open(*m_focusGuard);
    if (m_noticeHandler)
        return m_noticeHandler(text, style, title);

    // A line break may come as CR, LF or CR LF; the box shows each as one break.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar(13), QChar(10));

    QMessageBox box(this);
    box.setWindowTitle(title);
    box.setTextFormat(Qt::PlainText);
    box.setText(shown);
    box.setIcon(style == NoticeInformation ? QMessageBox::Information : QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setIcon(QIcon());
    koyomix::readNoticeOnce(box);
    box.exec();
    koyomix::keepActivation(this);
    return NoticeOk;
}

void Form1::drawHand()
{
    // No size when the picture could not be read: the button stays without it.
    if (const QList<QSize> sizes = m_hand.availableSizes(); !sizes.isEmpty())
        m_ui->Command2Picture->setPixmap(m_hand.pixmap(sizes.constFirst(), devicePixelRatio()));
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->Label6 && event->type() == QEvent::MouseButtonDblClick) {
        m_about->trigger();
        return true;
    }
    // The density is certain only once the window is shown on its screen, and changes with a move
    // to another screen or the screen's own scale; Qt before 6.6 tells widgets of the move only.
    if (watched == m_ui->Command2Picture) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::ScreenChangeInternal:
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
        case QEvent::DevicePixelRatioChange:
#endif
            drawHand();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
