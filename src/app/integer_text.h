#pragma once
#include <QString>

// An integer edit field read as a signed decimal number: leading blanks are skipped, then
// an optional sign and digits up to the end. Anything else, an empty text or a number
// outside the int range reads as 0.
int integer_from_text(const QString& text);
