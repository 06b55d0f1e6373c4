#include "app/form1.h"
#include "checks/fieldrules.h"
#include "ui_form1.h"

#include <QLineEdit>

namespace {

qint16 applyRule(Form1 &form, QLineEdit *field, const koyomix::FieldRule &rule, const QString &text)
{
    const koyomix::Verdict verdict = koyomix::checkField(rule, text);
    if (!verdict.accepted) {
        form.setRET(static_cast<qint16>(
            form.ShowNotice(verdict.text, Form1::NoticePlain, Form1::NoticeTitle)));
        return 1;
    }
    // Written also when unchanged: the whole field is replaced, spaces around it vanish.
    field->setText(verdict.text);
    return 0;
}

void lostFocus(Form1 &form, QLineEdit *field, qint16 (Form1::*check)(const QString &))
{
    // A field of spaces is not empty: its check gets the empty text and rejects it.
    if (field->text().isEmpty())
        return;
    if ((form.*check)(koyomix::trimSpaces(field->text())) != 0)
        field->setFocus();
}

} // namespace

qint16 Form1::chkYYYY(const QString &strYYYY)
{
    return applyRule(*this, m_ui->Text1, koyomix::rules::chkYYYY, strYYYY);
}

qint16 Form1::chkMM(const QString &strMM)
{
    return applyRule(*this, m_ui->Text2, koyomix::rules::chkMM, strMM);
}

qint16 Form1::chkDD(const QString &strDD)
{
    return applyRule(*this, m_ui->Text3, koyomix::rules::chkDD, strDD);
}

qint16 Form1::chkYYYY2(const QString &strYYYY)
{
    return applyRule(*this, m_ui->Text4, koyomix::rules::chkYYYY2, strYYYY);
}

qint16 Form1::chkDDD(const QString &strDD)
{
    return applyRule(*this, m_ui->Text5, koyomix::rules::chkDDD, strDD);
}

void Form1::Text1_LostFocus()
{
    lostFocus(*this, m_ui->Text1, &Form1::chkYYYY);
}

void Form1::Text2_LostFocus()
{
    lostFocus(*this, m_ui->Text2, &Form1::chkMM);
}

void Form1::Text3_LostFocus()
{
    lostFocus(*this, m_ui->Text3, &Form1::chkDD);
}

void Form1::Text4_LostFocus()
{
    lostFocus(*this, m_ui->Text4, &Form1::chkYYYY2);
}

void Form1::Text5_LostFocus()
{
    lostFocus(*this, m_ui->Text5, &Form1::chkDDD);
}
