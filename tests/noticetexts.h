#pragma once
// Every notice's text as the user reads it, written out here so that a changed character in the
// program is caught, never taken from the program's own constants.

#include <QString>

namespace noticetexts {
inline const QString digits = QStringLiteral("数字を入力してください");
inline const QString ordinalYearDigits = QStringLiteral("数字をを入力してください"); // doubled を
inline const QString yearLength = QStringLiteral("年は４桁で入力してください");
inline const QString yearRange = QStringLiteral("有効な年は1900～2999までです");
inline const QString monthLength = QStringLiteral("月は２桁で入力してください");
inline const QString monthRange = QStringLiteral("月は１月～１２月までです");
inline const QString dayLength = QStringLiteral("日は２桁で入力してください");
inline const QString dayRange = QStringLiteral("有効な日ではありません");
inline const QString dayOfYearLength = QStringLiteral("日は３桁で入力してください");
inline const QString yearMissing = QStringLiteral("年を入力してください");
inline const QString monthMissing = QStringLiteral("月を入力してください");
inline const QString dayMissing = QStringLiteral("日を入力してください");
inline const QString impossible = QStringLiteral("有効な日付ではありません");
} // namespace noticetexts
