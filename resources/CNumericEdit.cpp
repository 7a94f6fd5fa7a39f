// SPDX-License-Identifier: GPL-3.0-or-later

#include "resources/CNumericEdit.h"

#include <QRegularExpressionValidator>

namespace velmora {

CNumericEdit::CNumericEdit(QWidget* parent) : QLineEdit(parent)
{
    // A validator sees every way text comes in, the keyboard, the clipboard
    // and drops alike, and leaves the editing keys alone.
    setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9.]*"), this));
}

} // namespace velmora
