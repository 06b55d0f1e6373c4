#pragma once

// Koyomix's one window.
//
//   keys and clicks -> Form1 (event wiring, form1.cpp)
//      -> check member (checks/)  -> field rule (core, pure) -> verdict
//             -> ShowNotice, or the normalised text written back
//      -> button handler (convert/) -> date operations (core, pure)
//             -> label captions (spoken by the ResultAnnouncer), or ShowNotice and
//                cleared labels
//
// Form1 owns the controls (built from ui/form1.ui, which also names them for screen
// readers), RET and ShowNotice. Everything that decides anything lives in koyomix_core; the
// members here only read fields, call the core and show what it answered.
//
// What a screen reader hears beyond Qt's defaults is in a11y/, which knows no Form1:
//   fieldtext          a digit field's text, read and edited
//   noticereading      a notice's message read once; focus events held while it is open
//   resultannouncer    each new result spoken
//   labelactions       a label's actions: the credit line's about box, a result's copy
//   accessiblefactory  the one factory that makes the interfaces above
// focusguard (app/) decides when the handlers run, whatever route reached the window: keys,
// clicks, or an assistive tool's presses, focus moves and texts. Beside it in app/: resultcopy
// (copying a result, a row's results) and resultfit (a result condensed where it would not fit).
// How the process meets the desktop session is in desktop/: desktopsession (the window system
// and input method chosen at start-up, fixed windows kept so), activation (the window active
// again after a notice), inputmethod (IME off in the fields), qttranslations (Qt's own texts in
// Japanese).

#include <QIcon>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
namespace Ui {
class Form1;
}
namespace koyomix {
class FocusGuard;
class ResultAnnouncer;
} // namespace koyomix

class Form1 : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qint16 RET READ RET WRITE setRET)

public:
    // ShowNotice's code for OK, Esc or the close button (all the same on a box with one button).
    static constexpr int NoticeOk = 1;
    // Style values of ShowNotice.
    static constexpr int NoticePlain = 0;
    static constexpr int NoticeInformation = 64;
    // The title of every notice and of the about box.
    static inline const QString NoticeTitle = QStringLiteral("Koyomix");

    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    qint16 RET() const { return m_RET; }
    void setRET(qint16 value) { m_RET = value; }

    // Field checks: 0 accepted (field rewritten normalised), 1 rejected (one notice).
    qint16 chkYYYY(const QString &strYYYY);
    qint16 chkMM(const QString &strMM);
    qint16 chkDD(const QString &strDD);
    qint16 chkYYYY2(const QString &strYYYY);
    qint16 chkDDD(const QString &strDD);

    // Event handlers, wired in the constructor.
    void Command1_Click();
    void Command2_Click();
    void Form_Initialize();
    void Form_Load();
    void Label6_DblClick();
    void Text1_LostFocus();
    void Text2_LostFocus();
    void Text3_LostFocus();
    void Text4_LostFocus();
    void Text5_LostFocus();

    // A modal box of the window with one OK button, and the information icon for style 64 only.
    int ShowNotice(const QString &text, int style, const QString &title);

    // Test seam: when set, ShowNotice calls it instead of opening a box and returns its answer.
    using NoticeHandler = std::function<int(const QString &text, int style, const QString &title)>;
    void setNoticeHandler(NoticeHandler handler) { m_noticeHandler = std::move(handler); }
    // Test seam: what decides when the handlers run (tests wait until nothing is pending).
    const koyomix::FocusGuard &focusGuard() const { return *m_focusGuard; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void drawHand();

    std::unique_ptr<Ui::Form1> m_ui;
    QIcon m_hand;     // the picture on Command2, in its drawings for each density
    QAction *m_about; // the about box, on Label6
    qint16 m_RET = 0;
    NoticeHandler m_noticeHandler;
    koyomix::ResultAnnouncer *m_announcer; // a child object: speaks each new result
    // Last member: gone before the controls, whose destruction sends focus events.
    std::unique_ptr<koyomix::FocusGuard> m_focusGuard;
};
