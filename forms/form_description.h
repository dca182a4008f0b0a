#pragma once

// Every form of the program as plain data, free of any toolkit: the window
// of each front end builds its forms from these descriptions, so that the
// numbers and texts of a form are written once. Texts are UTF-8; positions
// and sizes are pixels; colours are stored values (see kParentColor).
#include <cstdint>
#include <span>
#include <string_view>

namespace kryvet {

// 0x00BBGGRR for a colour given by its parts, or 0x80000000 plus a system
// colour index (0x8000000F button face, 0x80000008 window text).
using StoredColor = std::uint32_t;
// No colour of its own: the control takes its parent's.
inline constexpr StoredColor kParentColor = 0xFFFFFFFF;

enum class ControlKind {
    Label,          // text as written; width 0: sized to its text
    Picture,        // a picture, sized to it
    Edit,           // single-line edit box
    PasswordEdit,   // single-line edit box that shows every character as "*"
    Button,         // push button
    PictureButton,  // push button with a two-state picture left of its caption
    Panel,          // raised panel without caption; holds the controls that name it
    Gauge,          // the progress gauge
    Timer,          // not drawn; value is its interval in milliseconds
    OpenDialog,     // the file-open dialog; text is its filter
};

struct FormRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct FontDescription {
    std::string_view face;  // empty: the form's font
    int pixelHeight = 0;    // character height
    StoredColor color = kParentColor;
};

struct ControlDescription {
    ControlKind kind;
    std::string_view name;
    // Within the parent's client area. A picture's size is its picture's.
    FormRect geometry = {};
    // Caption or content; the filter of the file-open dialog.
    std::string_view text = {};
    // What assistive technology reads where it is not the text; what a
    // picture shows.
    std::string_view accessibleName = {};
    bool visible = true;
    bool border = true;  // a gauge's frame, an edit box's 3-D border
    // Name of the picture: a picture's own, a picture button's two states.
    std::string_view picture = {};
    // The panel that holds the control; empty: the form itself.
    std::string_view parent = {};
    FontDescription font = {};
    StoredColor color = kParentColor;      // background
    StoredColor foreColor = kParentColor;  // a gauge's bar
    // A gauge's stored value, a timer's interval (it starts disabled).
    int value = 0;
    // What pressing the button makes the form return; 0 for none.
    int modalResult = 0;
};

// A menu entry; an entry without caption is a separator.
struct MenuItemDescription {
    std::string_view name;
    std::string_view caption = {};  // "&" marks the mnemonic
    int shortcut = 0;               // virtual-key code without modifiers (F1 = 112); 0 none
};

// A top-level entry of the main menu with its entries, in order.
struct MenuDescription {
    std::string_view name;
    std::string_view caption;
    std::string_view accessibleName;
    std::span<const MenuItemDescription> items;
};

enum class FormFrame {
    // Not resizable, no minimise or maximise box, a close box; opens at its
    // position with its client size.
    FixedDialog,
    // Resizable main window; the size is the designed outer size and the
    // system chooses the position.
    MainWindow,
    // The system's message box: the system lays it out; its controls are the
    // icon and the buttons.
    MessageBox,
};

struct FormDescription {
    std::string_view name;  // the form's component name, e.g. "MainKryvet"
    FormFrame frame;
    std::string_view caption;
    FormRect geometry = {};  // screen position and size, as `frame` says
    FontDescription font = {};
    std::string_view icon = {};  // the picture in the title bar; empty: none of its own
    // In creation order: a later control lies above an earlier one.
    std::span<const ControlDescription> controls;
    // The controls that take the focus, in tab order; the first has it when
    // the form opens, unless `focus` names another.
    std::span<const std::string_view> tabOrder;
    std::string_view focus = {};
    std::string_view defaultButton = {};          // Enter presses it
    std::string_view cancelButton = {};           // Esc presses it; empty: Esc does nothing
    std::string_view accessibleName = {};         // where it is not the caption
    std::string_view accessibleDescription = {};  // what the form says, in words
    std::string_view menuName = {};               // the main menu, where the form has one
    std::string_view menuAccessibleName = {};
    std::span<const MenuDescription> menu = {};
};

// The control of that name, nullptr when the form has none.
const ControlDescription* FindControl(const FormDescription& form, std::string_view name);

// The control of that name; a missing one is an error in the description
// (std::logic_error).
const ControlDescription& ControlOf(const FormDescription& form, std::string_view name);

// Every form of the program, in the order start-up creates them, then the
// message boxes.
std::span<const FormDescription* const> AllForms();

}  // namespace kryvet
