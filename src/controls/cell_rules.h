#pragma once
// The text rules of the list and check combo, apart from any widget.

#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>

namespace controls {

// A number as the point list shows it: three decimals, then trailing zeros and a trailing
// point removed (12.50 -> "12.5", 7 -> "7", -0.0001 -> "-0").
QString ShortNumber(double value);

// The longest leading number of a text, 0 when there is none ("1.2.3" reads 1.2).
double LeadingNumber(const QString& text);

// The elevation filter: a committed text that is empty or holds a character outside
// `allowed` is replaced by `current`; the result is shown as a number.
QString FilterNumberText(const QString& committed, const QString& current, const QString& allowed);

// The letter-code filter: upper-cased, at most the first two characters found in
// `allowed`; nullopt when there are none (the cell keeps its text).
std::optional<QString> FilterLetterCode(const QString& committed, const QString& allowed);

// The list separator of a locale, which none of our platforms state: where the decimal
// separator is a comma (so a comma cannot separate numbers) it is a semicolon, otherwise
// a comma.
QString ListSeparatorFor(const QLocale& locale);

// Ticked texts joined by the separator (trailing blanks removed) and one blank.
QString JoinChecked(const QStringList& texts, const QString& separator);

}  // namespace controls
