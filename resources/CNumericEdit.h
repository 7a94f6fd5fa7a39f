#pragma once

#include <QLineEdit>

namespace velmora {

// An edit field that lets only the characters of an unsigned decimal number
// through from the keyboard: digits, the full stop and backspace. Everything
// else that types a character is dropped without a sound, the control
// characters of Ctrl+C, Ctrl+V, Ctrl+X and Ctrl+Z included. Keys that type
// nothing (arrows, Delete, Enter) work as usual, and pasting from the context
// menu is not filtered.
class CNumericEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit CNumericEdit(QWidget* parent = nullptr);

    // Whether a typed text gets through.
    static bool Passes(const QString& typed);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace velmora
