// SPDX-License-Identifier: GPL-3.0-or-later

#include "resources/DialogBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>

// The icon is compiled into this static library; referencing its
// initialiser keeps the linker from dropping it.
static void LoadCompiledResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace velmora {
namespace {

// MulDiv: a * b / c rounded to the nearest, as dialog units are.
int MulDiv(int a, int b, int c)
{
    const long long product = static_cast<long long>(a) * b;
    return static_cast<int>(product >= 0 ? (product + c / 2) / c : (product - c / 2) / c);
}

QString Text(const ControlTemplate& control)
{
    return QString::fromUtf8(control.text);
}

Qt::Alignment LabelAlignment(unsigned style)
{
    Qt::Alignment horizontal = style & kAlignCentre  ? Qt::AlignHCenter
                               : style & kAlignRight ? Qt::AlignRight
                                                     : Qt::AlignLeft;
    return horizontal | (style & kCentreVertically ? Qt::AlignVCenter : Qt::AlignTop);
}

QWidget* MakeControl(const ControlTemplate& control, QWidget* parent)
{
    switch (control.kind) {
    case ControlKind::PushButton: {
        // Only the template's default button looks like one; Enter presses
        // a focused button all the same (EnterPressesButton).
        auto* button = new QPushButton(Text(control), parent);
        button->setAutoDefault(false);
        button->setDefault(control.style & kDefaultButton);
        return button;
    }
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(Text(control), parent);
        edit->setReadOnly(control.style & kReadOnly);
        edit->setFrame(control.style & kBorder);
        if (control.style & kDigitsOnly)
            edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
        return edit;
    }
    case ControlKind::CheckBox:
        return new QCheckBox(Text(control), parent);
    case ControlKind::RadioButton:
        return new QRadioButton(Text(control), parent);
    case ControlKind::DropDownList: {
        auto* list = new QComboBox(parent);
        list->addItems(Text(control).split('\n'));
        return list;
    }
    case ControlKind::Label: {
        auto* label = new QLabel(Text(control), parent);
        label->setAlignment(LabelAlignment(control.style));
        label->setWordWrap(!(control.style & kNoWrap) && control.height >= 2 * 8);
        return label;
    }
    case ControlKind::GroupBox:
        return new QGroupBox(Text(control), parent);
    case ControlKind::Frame: {
        auto* frame = new QFrame(parent);
        frame->setFrameShape(QFrame::Box);
        return frame;
    }
    case ControlKind::Slider: {
        auto* slider = new QSlider(Qt::Horizontal, parent);
        slider->setTickPosition(QSlider::NoTicks);
        return slider;
    }
    case ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        bar->setRange(0, 100);
        bar->setValue(0);
        return bar;
    }
    case ControlKind::Icon: {
        auto* icon = new QLabel(parent);
        icon->setPixmap(ApplicationIcon().pixmap(32, 32));
        return icon;
    }
    }
    return nullptr;
}

// Enter on a focused push button presses it, as Space does, in every dialog;
// Enter elsewhere is left to the dialog.
class EnterPressesButton : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        static_cast<QPushButton*>(watched)->click();
        return true;
    }
};

// The control's rectangle, with two adjustments for fonts that are not the
// template's own: a drop-down list is as high as its closed box (the
// template's height includes the opened list), and a one-line label whose
// text is wider than its rectangle keeps the text on one line.
QRect PlaceControl(const QWidget& widget, const ControlTemplate& control, const DialogUnits& units)
{
    QRect place = MapDialogRect(units, control.x, control.y, control.width, control.height);
    if (control.kind == ControlKind::DropDownList)
        place.setHeight(widget.sizeHint().height());
    const bool oneLine = control.height < 2 * 8;
    if (control.kind == ControlKind::Label && oneLine) {
        auto& label = static_cast<const QLabel&>(widget);
        const int textWidth = label.fontMetrics().horizontalAdvance(label.text());
        if (textWidth > place.width())
            place.setWidth(textWidth + 1);
    }
    return place;
}

} // namespace

DialogUnits DialogUnitsOf(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return {(alphabet / 26 + 1) / 2, metrics.height()};
}

QRect MapDialogRect(const DialogUnits& units, int x, int y, int width, int height)
{
    return QRect(MulDiv(x, units.baseX, 4), MulDiv(y, units.baseY, 8), MulDiv(width, units.baseX, 4),
                 MulDiv(height, units.baseY, 8));
}

QFont TemplateFont(const DialogTemplate& dialogTemplate)
{
    QFont font(QString::fromUtf8(dialogTemplate.fontFamily), dialogTemplate.fontPoints);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QIcon ApplicationIcon()
{
    static const bool loaded = (LoadCompiledResources(), true);
    (void)loaded;
    return QIcon(":/velmora/velmora.png");
}

QWidget* BuiltDialog::Control(int id) const
{
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

BuiltDialog BuildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate, const CustomControlFactory& custom)
{
    dialog.setFont(TemplateFont(dialogTemplate));
    dialog.setWindowTitle(QString::fromUtf8(dialogTemplate.title));
    dialog.setWindowIcon(ApplicationIcon());
    const DialogUnits units = DialogUnitsOf(dialog.font());
    dialog.setFixedSize(MapDialogRect(units, 0, 0, dialogTemplate.width, dialogTemplate.height).size());

    BuiltDialog built;
    auto* enterPressesButton = new EnterPressesButton(&dialog);
    std::vector<QWidget*> groupBoxes;
    std::map<std::string, QLabel*> labels;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = custom ? custom(control, &dialog) : nullptr;
        if (!widget)
            widget = MakeControl(control, &dialog);
        widget->setGeometry(PlaceControl(*widget, control, units));
        widget->setEnabled(!(control.style & kDisabled));
        widget->setVisible(!(control.style & kHidden));
        widget->setFocusPolicy(control.style & kTabStop ? Qt::StrongFocus
                               : control.kind == ControlKind::RadioButton ? Qt::StrongFocus
                                                                          : Qt::NoFocus);
        if (control.kind == ControlKind::GroupBox)
            groupBoxes.push_back(widget);
        if (qobject_cast<QPushButton*>(widget))
            widget->installEventFilter(enterPressesButton);
        if (control.kind == ControlKind::Label && control.id == kNoId)
            labels[control.text] = static_cast<QLabel*>(widget);
        if (control.id != kNoId) {
            widget->setObjectName(QString("control-%1").arg(control.id));
            built.Add(control.id, widget);
        }
    }
    // Screen readers name a control by its label; clicking the label or its
    // mnemonic would focus the control.
    for (const LabelFor& pair : dialogTemplate.labels) {
        QLabel* label = labels.at(pair.label);
        QWidget* control = built.Control(pair.control);
        label->setBuddy(control);
        control->setAccessibleName(label->text().remove('&').remove(QRegularExpression(":$")));
    }
    // Group boxes frame the controls placed over them, whatever their order.
    for (QWidget* box : groupBoxes)
        box->lower();
    return built;
}

} // namespace velmora
