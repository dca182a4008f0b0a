#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "forms/form_description.h"

namespace kryvet::win32 {

// Modal results of the forms, as the descriptions' buttons give them.
inline constexpr int kModalOk = 1;
inline constexpr int kModalCancel = 2;

// Control IDs are 1000 + the control's index in its form's description, so a
// test can find each control by the description alone.
inline constexpr int kFirstControlId = 1000;

// UTF-16 of the descriptions' UTF-8 and back.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// An edit box's text set by the program, the caret after it, where the
// user's typing goes on.
void SetEditText(HWND edit, const std::wstring& text);

// Pixels at the screen's resolution for pixels at 96 DPI.
int Scaled(int pixels);

// A colour as the descriptions store it, as Windows draws it.
COLORREF ResolveColor(StoredColor color);

// One form built from its description: a top-level window of class
// "Kryvet.<form name>" with every control of the description as a child
// window. Runs modally on request with its owner disabled; Tab, Enter and
// Esc follow the description's tab order, default and cancel buttons.
class FormWindow {
public:
    // A main window gets the menu; the others are owned by `owner`.
    FormWindow(const FormDescription& description, HWND owner, HMENU menu = nullptr);
    virtual ~FormWindow();
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    const FormDescription& Description() const { return description_; }
    // The control's window; nullptr for a control that is not a window.
    HWND Control(std::string_view name) const;

    // Shows the form, runs its messages until a button or the close box ends
    // it, and returns the modal result. The owner is disabled meanwhile.
    int ShowModal();
    void EndModal(int result);
    bool Modal() const { return modal_; }

    std::wstring Text(std::string_view control) const;
    void SetText(std::string_view control, std::wstring_view text);
    void SetVisible(std::string_view control, bool visible);
    void Focus(std::string_view control);
    // Enter presses a default button; with none, Enter in a box does nothing.
    void SetDefault(std::string_view button, bool isDefault);
    bool IsDefault(std::string_view button) const;
    // A label's background, in place of its described colour.
    void SetColor(std::string_view control, StoredColor color);

    // Tab, Shift+Tab, Enter and Esc of any form of this program; true when
    // the message was taken.
    static bool TranslateFormKeys(MSG& message);

protected:
    // A control's notification (WM_COMMAND) by the control's name.
    virtual void Command(std::string_view control, int code);
    // A button's click, before its modal result ends a modal form.
    virtual void Clicked(std::string_view button);
    // Everything else; call the base for what is not taken.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The close box: a modal form ends with kModalCancel.
    virtual void CloseBox();

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ContainerProcedure(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam);
    void CreateControls();
    HFONT FontFor(const FontDescription& font);
    bool TakeKey(const MSG& message);
    void Press(HWND button);
    void MoveFocus(bool forward);
    HBRUSH Background(HWND control, HDC dc);
    const ControlDescription* DescriptionOf(HWND control) const;

    const FormDescription& description_;
    HWND owner_;
    HWND hwnd_ = nullptr;
    std::vector<HWND> controls_;  // by index; nullptr for the windowless
    std::vector<bool> defaults_;
    std::vector<StoredColor> colors_;
    std::vector<HFONT> fonts_;
    std::map<StoredColor, HBRUSH> brushes_;
    HFONT formFont_ = nullptr;
    bool modal_ = false;
    bool done_ = false;
    int result_ = 0;
};

}  // namespace kryvet::win32
