#include "win32/picture_control.h"

#include <optional>
#include <string>
#include <vector>

#include "win32/form_window.h"
#include "win32/pictures.h"
#include "win32/window_class.h"

namespace kryvet::win32 {

namespace {

// The pictures' stored background, the classic button face.
constexpr std::uint32_t kStoredButtonFace = 0xFFC0C0C0;

std::uint32_t Bgra(COLORREF color) {
    return 0xFF000000u | (std::uint32_t(GetRValue(color)) << 16) |
           (std::uint32_t(GetGValue(color)) << 8) | GetBValue(color);
}

// Part of the picture, its background and `transparent` (where there is
// one) on the face colour.
void DrawPicture(HDC dc, const XpmImage& image, int fromX, int width, int x, int y,
                 std::optional<std::uint32_t> transparent) {
    const std::uint32_t face = Bgra(GetSysColor(COLOR_BTNFACE));
    std::vector<std::uint32_t> pixels;
    pixels.reserve(std::size_t(width) * std::size_t(image.height));
    for (int row = 0; row < image.height; ++row) {
        for (int column = fromX; column < fromX + width; ++column) {
            const std::uint32_t pixel = image.At(column, row);
            const bool background =
                pixel == kStoredButtonFace || (pixel >> 24) == 0 || pixel == transparent;
            pixels.push_back(background ? face : pixel);
        }
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -image.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    // Every pixel a block of screen pixels at higher DPI, never smoothed.
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, x, y, Scaled(width), Scaled(image.height), 0, 0, width, image.height,
                  pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

std::wstring WindowText(HWND window) {
    std::wstring text(std::size_t(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(window, text.data(), int(text.size()))));
    return text;
}

LRESULT CALLBACK PictureProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            const XpmImage& image = PictureNamed(Utf8(WindowText(window)));
            // A picture is opaque: its white is white.
            DrawPicture(dc, image, 0, image.width, 0, 0, std::nullopt);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_SETTEXT: {
            const LRESULT done = DefWindowProcW(window, message, wParam, lParam);
            InvalidateRect(window, nullptr, TRUE);
            return done;
        }
        case WM_NCHITTEST:
            return HTTRANSPARENT;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

void RegisterPictureClass() {
    RegisterWindowClass(kPictureClass, PictureProcedure, GetSysColorBrush(COLOR_BTNFACE));
}

SIZE PictureSize(std::string_view picture) {
    const XpmImage& image = PictureNamed(picture);
    return {image.width, image.height};
}

HICON PictureIcon(std::string_view picture) {
    const XpmImage& image = PictureNamed(picture);
    HDC screen = GetDC(nullptr);
    HBITMAP color = CreateCompatibleBitmap(screen, image.width, image.height);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, color);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t pixel = image.At(x, y);
            SetPixel(dc, x, y, RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF));
        }
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    std::vector<std::uint8_t> maskBits(std::size_t((image.width + 15) / 16 * 2 * image.height), 0);
    HBITMAP mask = CreateBitmap(image.width, image.height, 1, 1, maskBits.data());
    ICONINFO info{TRUE, 0, 0, mask, color};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(mask);
    DeleteObject(color);
    return icon;
}

void DrawPictureButton(const DRAWITEMSTRUCT& item, std::string_view picture, bool isDefault) {
    HDC dc = item.hDC;
    RECT area = item.rcItem;
    const bool pushed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    if (isDefault) {
        FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(&area, -1, -1);
    }
    DrawFrameControl(dc, &area, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    const XpmImage& image = PictureNamed(picture);
    const int glyphWidth = image.width / 2;
    const int shift = pushed ? 1 : 0;
    const int glyphLeft = area.left + Scaled(2) + shift;
    const int glyphTop = area.top + (area.bottom - area.top - Scaled(image.height)) / 2 + shift;
    DrawPicture(dc, image, disabled ? glyphWidth : 0, glyphWidth, glyphLeft, glyphTop,
                image.At(0, image.height - 1));
    RECT caption = area;
    caption.left = glyphLeft + Scaled(glyphWidth);
    OffsetRect(&caption, shift, shift);
    std::wstring text = WindowText(item.hwndItem);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    DrawTextW(dc, text.c_str(), int(text.size()), &caption,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if ((item.itemState & ODS_FOCUS) != 0) {
        RECT focus = area;
        InflateRect(&focus, -Scaled(3), -Scaled(3));
        DrawFocusRect(dc, &focus);
    }
}

}  // namespace kryvet::win32
