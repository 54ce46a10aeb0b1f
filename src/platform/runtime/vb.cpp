#include "platform/runtime/vb.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace rt {

double Val(const QString& text) {
  int i = 0;
  const int n = static_cast<int>(text.size());
  while (i < n && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
  std::string number;
  if (i < n && (text[i] == '+' || text[i] == '-')) number += static_cast<char>(text[i++].unicode());
  bool digits = false;
  while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
    number += static_cast<char>(text[i++].unicode());
    digits = true;
  }
  if (i < n && text[i] == '.') {
    number += '.';
    ++i;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
      number += static_cast<char>(text[i++].unicode());
      digits = true;
    }
  }
  if (!digits) return 0.0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    std::string exponent = "e";
    int j = i + 1;
    if (j < n && (text[j] == '+' || text[j] == '-')) exponent += static_cast<char>(text[j++].unicode());
    bool expDigits = false;
    while (j < n && text[j] >= '0' && text[j] <= '9' && exponent.size() < 8) {
      exponent += static_cast<char>(text[j++].unicode());
      expDigits = true;
    }
    if (expDigits) number += exponent;
  }
  double value = std::strtod(number.c_str(), nullptr);
  return std::isfinite(value) ? value : 0.0;
}

std::optional<std::int32_t> CLng(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  double rounded = std::nearbyint(value);  // default rounding mode: halves to even
  if (rounded < std::numeric_limits<std::int32_t>::min() || rounded > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return static_cast<std::int32_t>(rounded);
}

QString Format0000(long long value) {
  QString digits = QString::number(value < 0 ? -static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value));
  digits = digits.rightJustified(4, '0');
  return value < 0 ? "-" + digits : digits;
}

QString DisplayPath(const QString& path) {
  QString shown = path;
  shown.replace("\\", " \\ ");
  shown.replace("/", " / ");
  return shown;
}

QString FitToBuffer(const QString& text, int capacity) {
  QString kept = text.left(text.indexOf(QChar(0)) < 0 ? text.size() : text.indexOf(QChar(0)));
  return capacity <= 0 ? QString() : kept.left(capacity - 1);
}

}  // namespace rt
