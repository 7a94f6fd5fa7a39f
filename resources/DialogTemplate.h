// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <span>

namespace velmora {

// Dialogs are described as data: each control with its id, kind, text and
// rectangle in dialog units, so that the layouts read as tables and tests can
// check them. DialogBuilder turns a template into widgets.

enum class ControlKind {
    PushButton,
    Edit,
    CheckBox,
    RadioButton,
    DropDownList, // text: the items, separated by '\n'
    Label,
    GroupBox,
    Frame,        // a placeholder rectangle, normally hidden
    Slider,       // horizontal, no tick marks
    ProgressBar,
    Icon,         // the application icon
};

// Style flags of a control.
enum ControlStyle : unsigned {
    kNoStyle = 0,
    kDisabled = 1u << 0,
    kHidden = 1u << 1,
    kDefaultButton = 1u << 2,
    kReadOnly = 1u << 3,
    kGroupStart = 1u << 4,     // first radio button of a group
    kTabStop = 1u << 5,
    kBorder = 1u << 6,
    kCentreVertically = 1u << 7,
    kNoWrap = 1u << 8,
    kDigitsOnly = 1u << 9,
    kAlignCentre = 1u << 10,
    kAlignRight = 1u << 11,
};

inline constexpr int kNoId = -1; // labels and group boxes

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, width, height; // dialog units
    unsigned style;
};

// A label that names a control: its buddy, and the name screen readers say.
struct LabelFor {
    const char* label; // the label's text in the template
    int control;
};

struct DialogTemplate {
    int id;
    const char* title;
    int width, height; // dialog units
    const char* fontFamily;
    int fontPoints;
    std::span<const ControlTemplate> controls; // in tab order
    std::span<const LabelFor> labels;          // every edit, slider and drop-down with its label
};

// The program's dialogs.
const DialogTemplate& MainDialogTemplate();    // 102
const DialogTemplate& AboutDialogTemplate();   // 100
const DialogTemplate& SmoothDialogTemplate();  // 132
const DialogTemplate& PreviewDialogTemplate(); // 133

} // namespace velmora
