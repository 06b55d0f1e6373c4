#include "app/desktopaids.h"

#include "app/fieldaccessibility.h"
#include "app/inputmethod.h"
#include "app/resultcopy.h"
#include "ui_form1.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

void nameForScreenReaders(Ui::Form1 &ui)
{
    ui.Text1->setAccessibleName(QStringLiteral("年"));
    ui.Text2->setAccessibleName(QStringLiteral("月"));
    ui.Text3->setAccessibleName(QStringLiteral("日"));
    ui.Text4->setAccessibleName(QStringLiteral("通日の年"));
    ui.Text5->setAccessibleName(QStringLiteral("通日"));
    // The captions end in an arrow, which a screen reader would read out. A button gets
    // no description: the description is what a screen reader takes from its tooltip.
    ui.Command1->setAccessibleName(QStringLiteral("ジュリアン変換"));
    ui.Command2->setAccessibleName(QStringLiteral("グレゴリオ変換"));
    // A label's accessible name is its caption, the result itself, so a result label is
    // only described: an accessible name would hide the result from the screen reader.
    ui.Label1->setAccessibleDescription(QStringLiteral("通日の結果"));
    ui.Label2->setAccessibleDescription(QStringLiteral("通日の結果（和暦）"));
    ui.Label4->setAccessibleDescription(QStringLiteral("日付の結果"));
    ui.Label5->setAccessibleDescription(QStringLiteral("日付の結果（和暦）"));
}

} // namespace

void koyomix::prepareForDesktop(Ui::Form1 &ui)
{
    for (QLineEdit *field : {ui.Text1, ui.Text2, ui.Text3, ui.Text4, ui.Text5}) {
        useFieldTextInterface(field);
        keepInputMethodOff(field);
    }
    nameForScreenReaders(ui);
    for (QLabel *result : {ui.Label1, ui.Label2, ui.Label4, ui.Label5})
        makeResultCopyable(result);
}

void koyomix::describeNoticeForScreenReaders(QMessageBox &box)
{
    QAbstractButton *ok = box.buttons().value(0);
    if (!ok)
        return;
    ok->setAccessibleDescription(box.text());
    if (auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label")))
        label->setBuddy(ok);
}
