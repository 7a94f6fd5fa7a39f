// SPDX-License-Identifier: GPL-3.0-or-later

#include "resources/FieldText.h"

#include "imaging/stereo/NumberText.h"

namespace velmora {

int IntegerIn(const QLineEdit* field)
{
    return ReadInteger(field->text().toStdString());
}

double RealIn(const QLineEdit* field)
{
    return ReadReal(field->text().toStdString());
}

QString DecimalText(int value)
{
    return QString::fromStdString(FormatInteger(value));
}

} // namespace velmora
