#include "app/form1.h"

#include "a11y/resultannouncer.h"
#include "app/resultfit.h"
#include "convert/conversion.h"
#include "ui_form1.h"

namespace {

struct RowControls
{
    QLineEdit *year;
    QLineEdit *month; // nullptr in the ordinal row
    QLineEdit *day;
    QLabel *first;
    QLabel *second;
};

// On failure: notice, RET, focus, then both labels cleared in order; else both written and spoken.
void apply(Form1 &form, const koyomix::Conversion &conversion, const RowControls &row,
           koyomix::ResultAnnouncer &announcer)
{
    if (!conversion.notice.isEmpty()) {
        form.setRET(static_cast<qint16>(
            form.ShowNotice(conversion.notice, Form1::NoticePlain, Form1::NoticeTitle)));
        QLineEdit *to = conversion.focus == koyomix::DateField::Year    ? row.year
                        : conversion.focus == koyomix::DateField::Month ? row.month
                        : conversion.focus == koyomix::DateField::Day   ? row.day
                                                                        : nullptr;
        if (to) // the ordinal row has no month
            to->setFocus();
    }
    koyomix::showResult(row.first, conversion.first);
    koyomix::showResult(row.second, conversion.second);
    if (conversion.notice.isEmpty() && !conversion.first.isEmpty())
        announcer.announce(conversion.first + u' ' + conversion.second);
}

} // namespace

void Form1::Command1_Click()
{
    const auto conversion =
        koyomix::calendarToOrdinal(m_ui->Text1->text(), m_ui->Text2->text(), m_ui->Text3->text());
    apply(*this, conversion, {m_ui->Text1, m_ui->Text2, m_ui->Text3, m_ui->Label1, m_ui->Label2},
          *m_announcer);
}

void Form1::Command2_Click()
{
    const auto conversion = koyomix::ordinalToCalendar(m_ui->Text4->text(), m_ui->Text5->text());
    apply(*this, conversion, {m_ui->Text4, nullptr, m_ui->Text5, m_ui->Label4, m_ui->Label5},
          *m_announcer);
}
