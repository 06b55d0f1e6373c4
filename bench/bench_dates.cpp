// Times the date sweep and one click of each button. Run by hand from a Release build:
//   build/default/bench/bench_dates
// Targets: each sweep direction over 1900-2999 under 1 s, one click under 1 ms.
#include "app/form1.h"
#include "convert/conversion.h"
#include "dates/serialdate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>

#include <chrono>
#include <cstdio>
#include <vector>

using namespace std::chrono;

namespace {

double msSince(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const koyomix::SerialDate first = year{1900} / 1 / 1, last = year{2999} / 12 / 31;
    std::vector<QString> y, m, d;
    for (auto day = first; day <= last; day += days{1}) {
        const QString text = koyomix::formatDate(day, koyomix::kCalendarPattern);
        y.push_back(text.left(4));
        m.push_back(text.mid(5, 2));
        d.push_back(text.mid(8, 2));
    }
    std::printf("days in the sweep: %zu\n", y.size());
    // formatDate above loaded nothing from ICU (no era token); this is the first use.
    QElapsedTimer timer;
    timer.start();
    koyomix::formatDate(first, koyomix::kEraPattern);
    std::printf("first era lookup (loads the ICU calendar): %.2f ms\n", msSince(timer));

    // Baseline in the same run: the calendar pattern alone, no era.
    timer.start();
    for (auto day = first; day <= last; day += days{1})
        koyomix::formatDate(day, koyomix::kCalendarPattern);
    std::printf("baseline, calendar pattern only: %.1f ms\n", msSince(timer));

    std::vector<QString> ordinals(y.size());
    timer.start();
    for (size_t i = 0; i < y.size(); ++i)
        ordinals[i] = koyomix::calendarToOrdinal(y[i], m[i], d[i]).first.mid(5);
    std::printf("sweep calendar -> ordinal with era text: %.1f ms\n", msSince(timer));
    timer.start();
    for (size_t i = 0; i < y.size(); ++i)
        koyomix::ordinalToCalendar(y[i], ordinals[i]);
    std::printf("sweep ordinal -> calendar with era text: %.1f ms\n", msSince(timer));

    Form1 form;
    form.show();
    form.setNoticeHandler([](const QString &, int, const QString &) { return Form1::NoticeOk; });
    const auto set = [&](const char *name, const char *text) {
        form.findChild<QLineEdit *>(name)->setText(QString::fromLatin1(text));
    };
    set("Text1", "2001"), set("Text2", "03"), set("Text3", "11");
    set("Text4", "2001"), set("Text5", "070");
    constexpr int clicks = 10000;
    timer.start();
    for (int i = 0; i < clicks; ++i)
        form.Command1_Click();
    std::printf("one click ジュリアン→ (2001/03/11): %.4f ms\n", msSince(timer) / clicks);
    timer.start();
    for (int i = 0; i < clicks; ++i)
        form.Command2_Click();
    std::printf("one click グレゴリアン→ (2001/070): %.4f ms\n", msSince(timer) / clicks);
    set("Text5", "366");
    timer.start();
    for (int i = 0; i < clicks; ++i)
        form.Command2_Click();
    std::printf("one failing click グレゴリアン→ (2001/366): %.4f ms\n", msSince(timer) / clicks);
    return 0;
}
