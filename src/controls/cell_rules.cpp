#include "controls/cell_rules.h"

#include "platform/win/number_text.h"

namespace controls {

QString ShortNumber(double value) { return QString::fromStdString(win::formatTrimmed(value, 3)); }

double LeadingNumber(const QString& text) { return win::leadingReal(text.toStdString()); }

QString FilterNumberText(const QString& committed, const QString& current, const QString& allowed) {
  QString text = committed;
  if (text.isEmpty()) text = current;
  for (const QChar c : committed) {
    if (!allowed.contains(c)) {
      text = current;
      break;
    }
  }
  return ShortNumber(LeadingNumber(text));
}

std::optional<QString> FilterLetterCode(const QString& committed, const QString& allowed) {
  QString code;
  for (const QChar c : committed.toUpper()) {
    if (allowed.contains(c)) code += c;
    if (code.size() == 2) break;
  }
  if (code.isEmpty()) return std::nullopt;
  return code;
}

QString ListSeparatorFor(const QLocale& locale) {
  return locale.decimalPoint() == QStringLiteral(",") ? QStringLiteral(";") : QStringLiteral(",");
}

QString JoinChecked(const QStringList& texts, const QString& separator) {
  QString sep = separator;
  while (!sep.isEmpty() && sep.back().isSpace()) sep.chop(1);
  if (sep.isEmpty()) sep = QStringLiteral(";");
  return texts.join(sep + QLatin1Char(' '));
}

}  // namespace controls
