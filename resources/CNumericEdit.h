// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLineEdit>

namespace velmora {

// An edit field for an unsigned decimal number: of what is typed, pasted or
// dropped, only digits and the full stop get in (a paste or drop with any
// other character is refused whole). Editing keys and shortcuts work as in
// any line edit: Backspace, Delete, the arrows, Home, End, select all, copy,
// cut, undo. The program may still set any text.
class CNumericEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit CNumericEdit(QWidget* parent = nullptr);
};

} // namespace velmora
