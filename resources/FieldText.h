// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLineEdit>
#include <QString>

namespace velmora {

// The numbers of the dialogs' fields, read and written by the program's
// fixed rules (imaging/NumberText.h).

// Integer reading of a field's text: leading digits, 0 when there are none.
int IntegerIn(const QLineEdit* field);
// Real reading of a field's text: the longest leading decimal number.
double RealIn(const QLineEdit* field);
// A number as the fields show it: a plain decimal integer.
QString DecimalText(int value);

} // namespace velmora
