#include "win32/gauge_window.h"
#include "win32/window_class.h"

#include <memory>
#include <string>

#include "forms/form_description.h"
#include "widgets/gauge_geometry.h"
#include "win32/form_window.h"
#include "win32/window_class.h"

namespace kryvet::win32 {

namespace {

struct GaugeState {
    int minValue = 0;
    int maxValue = 100;
    int progress = 0;
    bool border = true;
    COLORREF foreColor = RGB(0, 0, 0);
    COLORREF backColor = RGB(255, 255, 255);
    HFONT font = nullptr;  // the form's, drawn without smoothing
};

GaugeState* StateOf(HWND gauge) {
    return reinterpret_cast<GaugeState*>(GetWindowLongPtrW(gauge, GWLP_USERDATA));
}

// A bitmap like the screen's, black all over.
struct Layer {
    Layer(HDC screen, int width, int height)
        : dc(CreateCompatibleDC(screen)), bitmap(CreateCompatibleBitmap(screen, width, height)) {
        old = SelectObject(dc, bitmap);
        PatBlt(dc, 0, 0, width, height, BLACKNESS);
    }
    ~Layer() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
};

void Fill(HDC dc, const GaugeRect& rect, COLORREF color) {
    if (rect.Right <= rect.Left || rect.Bottom <= rect.Top) {
        return;
    }
    HBRUSH brush = CreateSolidBrush(color);
    const RECT area{rect.Left, rect.Top, rect.Right, rect.Bottom};
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

void Paint(HWND gauge, HDC screen) {
    const GaugeState& state = *StateOf(gauge);
    RECT client;
    GetClientRect(gauge, &client);
    const int width = client.right;
    const int height = client.bottom;
    const GaugeRect rect = GaugeDrawingRect(width, height, state.border);
    const int percent = FilledPercent(state.progress, state.minValue, state.maxValue);

    Layer face(screen, width, height);
    {
        Layer bar(screen, width, height);
        Fill(bar.dc, rect, state.backColor);
        Fill(bar.dc, HorizontalBarFill(rect, percent), state.foreColor);
        BitBlt(face.dc, 0, 0, width, height, bar.dc, 0, 0, SRCINVERT);
    }
    {
        // Pure white glyphs XORed on: the text is the complement of what lies
        // under it, so no smoothed edge may bring in other colours.
        Layer text(screen, width, height);
        const std::wstring s = std::to_wstring(percent) + L"%";
        HGDIOBJ oldFont = SelectObject(text.dc, state.font);
        SIZE extent{};
        GetTextExtentPoint32W(text.dc, s.c_str(), int(s.size()), &extent);
        const GaugePoint at = PercentTextOrigin(rect, extent.cx, extent.cy);
        SetBkMode(text.dc, TRANSPARENT);
        SetTextColor(text.dc, RGB(255, 255, 255));
        const RECT clip{rect.Left, rect.Top, rect.Right, rect.Bottom};
        ExtTextOutW(text.dc, at.x, at.y, ETO_CLIPPED, &clip, s.c_str(), UINT(s.size()), nullptr);
        SelectObject(text.dc, oldFont);
        BitBlt(face.dc, 0, 0, width, height, text.dc, 0, 0, SRCINVERT);
    }
    if (state.border) {
        FrameRect(face.dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    // One transfer to the screen: no flicker.
    BitBlt(screen, 0, 0, width, height, face.dc, 0, 0, SRCCOPY);
}

LRESULT CALLBACK GaugeProcedure(HWND gauge, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: {
            const auto* description = static_cast<const ControlDescription*>(
                reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            auto state = std::make_unique<GaugeState>();
            if (description != nullptr) {
                state->progress = description->value;
                state->border = description->border;
                if (description->foreColor != kParentColor) {
                    state->foreColor = ResolveColor(description->foreColor);
                }
            }
            SetWindowLongPtrW(gauge, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.release()));
            break;
        }
        case WM_NCDESTROY: {
            GaugeState* state = StateOf(gauge);
            if (state->font != nullptr) {
                DeleteObject(state->font);
            }
            delete state;
            SetWindowLongPtrW(gauge, GWLP_USERDATA, 0);
            break;
        }
        case WM_SETFONT: {
            GaugeState& state = *StateOf(gauge);
            LOGFONTW font{};
            GetObjectW(reinterpret_cast<HFONT>(wParam), sizeof font, &font);
            font.lfQuality = NONANTIALIASED_QUALITY;
            if (state.font != nullptr) {
                DeleteObject(state.font);
            }
            state.font = CreateFontIndirectW(&font);
            if (LOWORD(lParam) != 0) {
                InvalidateRect(gauge, nullptr, FALSE);
            }
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;  // every pixel is painted
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(gauge, &paint);
            Paint(gauge, dc);
            EndPaint(gauge, &paint);
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(gauge, message, wParam, lParam);
}

}  // namespace

void RegisterGaugeClass() {
    // No background: the gauge paints every pixel itself.
    RegisterWindowClass(kGaugeClass, GaugeProcedure, nullptr);
}

void SetGaugeProgress(HWND gauge, int value) {
    GaugeState& state = *StateOf(gauge);
    const int shownBefore = FilledPercent(state.progress, state.minValue, state.maxValue);
    value = value < state.minValue ? state.minValue : value;
    value = value > state.maxValue ? state.maxValue : value;
    state.progress = value;
    if (FilledPercent(state.progress, state.minValue, state.maxValue) != shownBefore &&
        IsWindowVisible(gauge)) {
        InvalidateRect(gauge, nullptr, FALSE);
        UpdateWindow(gauge);
    }
}

int GaugeProgress(HWND gauge) {
    return StateOf(gauge)->progress;
}

}  // namespace kryvet::win32
