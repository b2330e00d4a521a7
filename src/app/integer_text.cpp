#include "app/integer_text.h"

#include <QRegularExpression>

int integer_from_text(const QString& text)
{
    static const QRegularExpression integer(QStringLiteral("^\\s*([+-]?\\d+)$"));
    QRegularExpressionMatch match = integer.match(text);
    if (!match.hasMatch())
        return 0;
    bool valid = false;
    int value = match.captured(1).toInt(&valid);
    return valid ? value : 0;
}
