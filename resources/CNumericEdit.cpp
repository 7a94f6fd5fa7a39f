#include "resources/CNumericEdit.h"

#include <QKeyEvent>

namespace velmora {

CNumericEdit::CNumericEdit(QWidget* parent) : QLineEdit(parent) {}

bool CNumericEdit::Passes(const QString& typed)
{
    for (const QChar c : typed)
        if (!(c.isDigit() && c.unicode() < 128) && c != '.' && c != '\b')
            return false;
    return true;
}

void CNumericEdit::keyPressEvent(QKeyEvent* event)
{
    const bool typesNothing = event->text().isEmpty() || event->key() == Qt::Key_Return ||
                              event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape ||
                              event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (typesNothing || event->key() == Qt::Key_Backspace || Passes(event->text()))
        QLineEdit::keyPressEvent(event);
    else
        event->accept(); // dropped
}

} // namespace velmora
