// The picture display controls: child windows that show a TBitmap32 scaled and placed in their
// area, painted through an off-screen buffer by the paint stages of graphics/uImageDisplay.h.
// TImage32 fits or scales its picture; TImgView32 shows it at an explicit scale, centred.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "uForms.h"
#include "uImageDisplay.h"
#include "uTBitmap32.h"

class TCustomImage32 {
public:
    TCustomImage32(HWND parent, int left, int top, int width, int height);
    virtual ~TCustomImage32();
    TCustomImage32(const TCustomImage32&) = delete;
    TCustomImage32& operator=(const TCustomImage32&) = delete;

    HWND Handle() const { return FHandle; }
    void SetBounds(int left, int top, int width, int height);
    int ClientWidth() const;
    int ClientHeight() const;

    // The shown picture; the control repaints whenever it reports a change.
    TBitmap32& Bitmap() { return *FBitmap; }
    const TBitmap32& Bitmap() const { return *FBitmap; }

    // Background around (or instead of) the picture; drawn opaque.
    TColor32 Color = Color32(0xF0, 0xF0, 0xF0);

    // The stage list, built with its defaults (and OnInitStages raised) before the first
    // painting and whenever InitStages is called.
    TPaintStages& PaintStages() { return FStages; }
    void InitStages();
    std::function<void(TCustomImage32& sender)> OnInitStages;
    std::function<void(TCustomImage32& sender, TBitmap32& buffer, int32_t stage)> OnPaintStage;

    std::function<void(TMouseButton button, int x, int y)> OnMouseDown;
    std::function<void()> OnDblClick;

    // The rectangle the scaled, placed picture occupies in the control (right and bottom
    // exclusive); empty when nothing is shown.
    TRect GetBitmapRect() const;

    // Repaints the whole control.
    void Changed();

protected:
    virtual TRect ShownRect(int32_t clientWidth, int32_t clientHeight) const = 0;
    virtual void Resized() {}

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();

    HWND FHandle = nullptr;
    std::unique_ptr<TBitmap32> FBitmap;
    TBitmap32 FBuffer;
    TPaintStages FStages;
    bool FStagesBuilt = false;
};

class TImage32 : public TCustomImage32 {
public:
    using TCustomImage32::TCustomImage32;

    TScaleMode ScaleMode = smOptimal;
    TBitmapAlign BitmapAlign = baCenter;
    float Scale = 1.0f;
    TRepaintMode RepaintMode = rmOptimizer;

protected:
    TRect ShownRect(int32_t clientWidth, int32_t clientHeight) const override;
};

enum TScrollBarVisibility { svAlways, svHidden, svAuto };

class TImgView32 : public TCustomImage32 {
public:
    TImgView32(HWND parent, int left, int top, int width, int height);

    float Scale() const { return FScale; }
    // Below 0.001 the scale is taken as 0.001.
    void SetScale(float value);
    bool Centered = true;
    TScrollBarVisibility ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollBarVisibility value);

protected:
    TRect ShownRect(int32_t clientWidth, int32_t clientHeight) const override;
    void Resized() override { UpdateScrollBars(); }

private:
    void UpdateScrollBars();
    float FScale = 1.0f;
    TScrollBarVisibility FScrollBars = svAuto;
};
