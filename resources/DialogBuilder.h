// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "resources/DialogTemplate.h"

#include <QIcon>
#include <QRect>

#include <functional>
#include <map>

class QDialog;
class QFont;
class QWidget;

namespace velmora {

// Pixels per 4 horizontal and per 8 vertical dialog units, from a font as
// Windows measures it: the mean advance of the 52 Latin letters, rounded, and
// the font's height.
struct DialogUnits {
    int baseX;
    int baseY;
};

DialogUnits DialogUnitsOf(const QFont& font);

// A rectangle in dialog units as pixels, rounded as Windows rounds it.
QRect MapDialogRect(const DialogUnits& units, int x, int y, int width, int height);

// The font a template names: its family at its size, any sans-serif font
// standing in where the family is not installed.
QFont TemplateFont(const DialogTemplate& dialogTemplate);

// The application icon (resource 128).
QIcon ApplicationIcon();

// The widgets made from a template, found by control id.
class BuiltDialog {
public:
    QWidget* Control(int id) const;

    template <typename Widget>
    Widget* As(int id) const
    {
        return qobject_cast<Widget*>(Control(id));
    }

    void Add(int id, QWidget* widget) { controls_[id] = widget; }

private:
    std::map<int, QWidget*> controls_;
};

// Makes a control of its own kind for some templates' controls (a numeric
// edit, a link); returns null to let the builder make the usual widget.
using CustomControlFactory = std::function<QWidget*(const ControlTemplate& control, QWidget* parent)>;

// Gives `dialog` the template's title, font and fixed client size and makes
// every control as a child at its place, in tab order, with its text and
// styles. Controls keep their template id as their object name
// ("control-1004") and can be found by id in the result.
BuiltDialog BuildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate,
                        const CustomControlFactory& custom = {});

} // namespace velmora
