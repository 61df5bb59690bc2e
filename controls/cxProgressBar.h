// A progress bar: a floating-point position between a minimum and a maximum shown as a
// filled bar inside an editor frame, with an optional text.
#pragma once

#include "editors/cxEdit.h"
#include "lookandfeel/cxGraphics.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

enum TcxProgressBarBarStyle {
    cxbsSolid,
    cxbsLEDs,
    cxbsGradient,
    cxbsGradientLEDs,
    cxbsBitmap,
    cxbsBitmapLEDs,
    cxbsAnimation,
    cxbsAnimationLEDs
};
enum TcxProgressBarAnimationPath { cxapCycle, cxapPingPong };
enum TcxProgressBarBevelOuter { cxbvNone, cxbvLowered, cxbvRaised };
enum TcxProgressBarOrientation { cxorHorizontal, cxorVertical };
enum TcxProgressBarTextStyle { cxtsPercent, cxtsPosition, cxtsText };

class TcxCustomProgressBar;

class TcxProgressBarProperties : public TcxCustomEditProperties {
public:
    explicit TcxProgressBarProperties(TcxCustomEdit* owner) : TcxCustomEditProperties(owner) {}
    const wchar_t* ClassName() const override { return L"TcxProgressBarProperties"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;
    // The position is the edit value: a change of it is an edit value change (both events).
    bool CompareEditValues() const override { return true; }

    double Min() const noexcept { return m_minAssigned ? m_min : 0; }
    void SetMin(double v);
    double Max() const noexcept { return m_maxAssigned ? m_max : 100; }
    void SetMax(double v);
    bool MinAssigned() const noexcept { return m_minAssigned; }
    bool MaxAssigned() const noexcept { return m_maxAssigned; }
    TcxProgressBarBarStyle BarStyle() const noexcept { return m_barStyle; }
    void SetBarStyle(TcxProgressBarBarStyle v);
    TcxProgressBarBevelOuter BarBevelOuter() const noexcept { return m_bevel; }
    void SetBarBevelOuter(TcxProgressBarBevelOuter v) { SetValue(m_bevel, v); }
    TColor BeginColor() const noexcept { return m_beginColor; }
    void SetBeginColor(TColor v) { SetValue(m_beginColor, v); }
    TColor EndColor() const noexcept { return m_endColor; }
    void SetEndColor(TColor v) { SetValue(m_endColor, v); }
    double PeakValue() const noexcept { return m_peakValue; }
    void SetPeakValue(double v);
    // Records the highest position reached, without announcing a change.
    void TrackPeak(double v) noexcept { m_peakValue = v; }
    double OverloadValue() const noexcept { return m_overloadValue; }
    void SetOverloadValue(double v);
    bool ShowText() const noexcept { return m_showText; }
    void SetShowText(bool v) { SetValue(m_showText, v); }
    TcxProgressBarTextStyle ShowTextStyle() const noexcept { return m_textStyle; }
    void SetShowTextStyle(TcxProgressBarTextStyle v);
    const std::wstring& Text() const noexcept { return m_text; }
    void SetText(const std::wstring& v);
    bool Marquee() const noexcept { return m_marquee; }
    void SetMarquee(bool v);
    int AnimationSpeed() const noexcept { return m_animationSpeed; }
    void SetAnimationSpeed(int v);
    unsigned AnimationRestartDelay() const noexcept { return m_restartDelay; }
    void SetAnimationRestartDelay(unsigned v) { SetValue(m_restartDelay, v); }
    TcxProgressBarAnimationPath AnimationPath() const noexcept { return m_animationPath; }
    void SetAnimationPath(TcxProgressBarAnimationPath v) { SetValue(m_animationPath, v); }
    TcxProgressBarOrientation Orientation() const noexcept { return m_orientation; }
    void SetOrientation(TcxProgressBarOrientation v) { SetValue(m_orientation, v); }
    bool SolidTextColor() const noexcept { return m_solidTextColor; }
    void SetSolidTextColor(bool v) { SetValue(m_solidTextColor, v); }
    int BorderWidth() const noexcept { return m_borderWidth; }
    void SetBorderWidth(int v) { SetValue(m_borderWidth, v < 0 ? 0 : (v > 65535 ? 65535 : v)); }
    bool ShowOverload() const noexcept { return m_showOverload; }
    void SetShowOverload(bool v) { SetValue(m_showOverload, v); }
    TColor OverloadBeginColor() const noexcept { return m_overloadBeginColor; }
    void SetOverloadBeginColor(TColor v) { SetValue(m_overloadBeginColor, v); }
    TColor OverloadEndColor() const noexcept { return m_overloadEndColor; }
    void SetOverloadEndColor(TColor v) { SetValue(m_overloadEndColor, v); }
    bool ShowPeak() const noexcept { return m_showPeak; }
    void SetShowPeak(bool v) { SetValue(m_showPeak, v); }
    TColor PeakColor() const noexcept { return m_peakColor; }
    void SetPeakColor(TColor v) { SetValue(m_peakColor, v); }
    int PeakSize() const noexcept { return m_peakSize; }
    void SetPeakSize(int v) { SetValue(m_peakSize, v < 1 ? 1 : v); }
    TcxProgressBarOrientation TextOrientation() const noexcept { return m_textOrientation; }
    void SetTextOrientation(TcxProgressBarOrientation v) { SetValue(m_textOrientation, v); }
    bool TransparentImage() const noexcept { return m_transparentImage; }
    void SetTransparentImage(bool v);
    // The fill picture of the bitmap styles; a copy is kept (none frees it).
    const TcxBitmap* ForegroundImage() const noexcept { return m_image.get(); }
    void SetForegroundImage(HBITMAP bitmap);
    bool ImageChanged() const noexcept { return m_imageChanged; }
    void ClearImageChanged() noexcept { m_imageChanged = false; }

private:
    template <typename T> void SetValue(T& field, T v)
    {
        if (field == v)
            return;
        field = v;
        Changed();
    }
    double m_min = 0, m_max = 100;
    bool m_minAssigned = false, m_maxAssigned = false;
    TcxProgressBarBarStyle m_barStyle = cxbsSolid;
    TcxProgressBarBevelOuter m_bevel = cxbvNone;
    TColor m_beginColor = 0x800000;
    TColor m_endColor = 0xFFFFFF;
    double m_peakValue = 0;
    double m_overloadValue = 80;
    bool m_showText = true;
    TcxProgressBarTextStyle m_textStyle = cxtsPercent;
    std::wstring m_text;
    bool m_marquee = false;
    int m_animationSpeed = 10;
    unsigned m_restartDelay = 0;
    TcxProgressBarAnimationPath m_animationPath = cxapCycle;
    TcxProgressBarOrientation m_orientation = cxorHorizontal;
    bool m_solidTextColor = false;
    int m_borderWidth = 0;
    bool m_showOverload = false;
    TColor m_overloadBeginColor = 8421631;
    TColor m_overloadEndColor = 16711935;
    bool m_showPeak = false;
    TColor m_peakColor = 255;
    int m_peakSize = 2;
    TcxProgressBarOrientation m_textOrientation = cxorHorizontal;
    bool m_transparentImage = true;
    std::unique_ptr<TcxBitmap> m_image;
    bool m_imageChanged = false;
};

enum class TcxGlossyKind { Bar, Background };

// The shaded look of the animation styles: rect filled with colour, darker ramps at both
// ends and a light band along the top (left band for vertical bars).
void PaintGlossyBar(HDC dc, RECT rect, TColor colour, TcxGlossyKind kind, bool vertical);

class TcxCustomProgressBar : public TcxCustomEdit {
public:
    explicit TcxCustomProgressBar(TComponent* owner);
    const wchar_t* ClassName() const override { return L"TcxCustomProgressBar"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    TcxProgressBarProperties* Properties() noexcept
    {
        return static_cast<TcxProgressBarProperties*>(TcxCustomEdit::Properties());
    }
    // The position shown: the edit value as a number (0 when it is none), held within the
    // range once loading has ended. Setting it sets the edit value.
    double Position() const noexcept { return m_position; }
    void SetPosition(double v);
    bool CanTakeFocus() const override { return false; }
    bool UsesParentBackground() const override { return true; }

    // Whole per cent of the range that the position covers (halves to the even neighbour).
    int PercentDone();
    std::wstring ProgressText();
    RECT BarArea() const noexcept { return m_barArea; }
    RECT FilledArea() const noexcept { return m_filledArea; }
    RECT OverloadArea() const noexcept { return m_overloadArea; }
    bool OverloadShown() const noexcept { return m_overloadShown; }
    RECT PeakMark() const noexcept { return m_peakMark; }
    bool PeakShown() const noexcept { return m_peakShown; }
    // Length of one LED cell (with its 2-pixel gap) along the bar.
    int LedSize();
    // Whether the platform's theme draws the frame, the track and the solid fill: under the
    // native look when the progress theme opens.
    bool Themed();
    // Where the text goes: its measured size centred in the bar area.
    RECT TextRect();

    // The animated segment: 50 pixels long, moved along the bar by SegmentOffset.
    // Whether the look asks for the animation and the bar has something to show it on (a
    // filled part, or the marquee).
    bool AnimationWanted();
    bool AnimationRunning() const noexcept { return m_animating; }
    int SegmentOffset() const noexcept { return m_segmentOffset; }
    int SegmentDirection() const noexcept { return m_segmentDirection; }
    int SegmentStart();
    int SegmentEnd();
    RECT CurrentSegment() const;
    void ResetSegment();
    // One step of the animation (what each 30 ms tick does before repainting).
    void StepSegment();
    // One tick of the running animation: the next step, shown at once. A frame already seen
    // since the last change of the picture is one copy to the screen; otherwise the bar area
    // repaints.
    void ShowNextFrame();

protected:
    void PropertiesChanged() override;
    void Loaded() override;
    // Wanted but not running (the bar was empty, or a tick found it so).
    bool AnimationDue();
    // The edit value reaches the bar here, as text ("" for none).
    void SetDisplayValue(const std::wstring& text) override;
    std::wstring DisplayText() override;
    // Shows position v (held within the range unless loading) and repaints what it changed.
    void ShowPosition(double v);
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // A progress bar named by its label (linked to it, or the label just to its left), with
    // the text it shows as its value.
    bool DescribeAccessible(TAccessibleDescription& d) override;
    void CreateParams(TCreateParams& params) override;
    void HandleDestroying() override;
    void ComputeViewInfo(POINT p, bool hotAllowed) override;
    void PaintContent(HDC dc) override;
    void PaintFrame(HDC dc) override;
    double ValueRange();
    void ClampPosition();
    void StartAnimation();
    void StopAnimation();
    bool AnimationStepsSoon();
    void RecomputeFilledArea();
    void StartPause();
    void PaintSegmentGlow(HDC dc, const RECT& segment, const RECT& filled);
    // Distance along the bar that a value v (position minus Min) covers on a bar of the given
    // length: trunc(v * length / range), held within 0 .. length.
    int ValueExtent(double v, int length);
    void PaintFill(HDC dc, const RECT& f);
    void PaintLedBevels(HDC dc, const RECT& f);
    void PaintText(HDC dc);
    void UpdateImageCopy();
    void ClipToFill(HDC dc, const RECT& f);
    void PaintGlossy(HDC dc, const RECT& r, TColor colour, TcxGlossyKind kind, bool vertical);
    void PaintFillLayers(HDC dc, const RECT& f, bool glow);
    // Animation frames: the bar area as painted for each segment offset, kept from the last
    // full paint of the bar until the picture changes.
    bool FramesWanted();
    void DropFrames() noexcept;
    void KeepFrameBase(HDC dc, const RECT& f);
    const std::vector<std::uint32_t>* CurrentFrame();
    // What a frame shows besides the segment: the bar's place and fill, the text's font and
    // colour, and what its text is made from (compared at every tick, so no text is formatted).
    struct FrameKeyValues {
        RECT bar{}, filled{};
        HFONT font = nullptr;
        COLORREF textColor = 0;
        double position = 0, min = 0, max = 0;
        int textStyle = 0;
        bool showText = false, marquee = false;
        std::wstring text;
    };
    bool FrameKeyMatches();
    void KeepFrameKey();

private:
    double m_position = 0;
    RECT m_barArea{};
    RECT m_filledArea{};
    RECT m_segmentRect{};
    RECT m_overloadArea{};
    bool m_overloadShown = false;
    RECT m_peakMark{};
    bool m_peakShown = false;
    // The text's measured size and the canvas its painting uses, kept while text and font
    // stay the same (the text is painted at every step of a run).
    std::wstring m_measuredText;
    HFONT m_measuredFont = nullptr;
    SIZE m_measuredSize{};
    TCanvas m_textCanvas;
    HFONT m_textCanvasFont = nullptr;
    // The fill picture as painted: drawn over the background colour when transparent.
    std::unique_ptr<TcxBitmap> m_imageCopy;
    int m_segmentOffset = 0;
    int m_segmentDirection = 1;
    std::unique_ptr<TcxTimer> m_stepTimer;
    // Whether the animation runs: its step timer ticks, or stopped itself in a tick when the
    // animation was not wanted and waits for the next layout to decide.
    bool m_animating = false;
    std::unique_ptr<TcxTimer> m_pauseTimer;
    // The glossy look of the bar and of its track, as last painted.
    struct GlossyPicture {
        std::unique_ptr<TcxBitmap> bitmap;
        COLORREF colour = 0;
        bool vertical = false;
    };
    GlossyPicture m_glossy[2];
    // The clip of the fill and what it was made for.
    struct FillClipKey {
        RECT fill{}, bar{};
        int led = 0;
        bool vertical = false, round = false;
        bool operator==(const FillClipKey& o) const noexcept
        {
            return EqualRect(&fill, &o.fill) && EqualRect(&bar, &o.bar) && led == o.led &&
                   vertical == o.vertical && round == o.round;
        }
    };
    UniqueRegion m_fillClip;
    FillClipKey m_fillClipKey;
    // The bar area before the segment's glow, the LED bevels and the text (what every frame
    // starts from), the frames made from it by segment offset, and what they were made for.
    std::unique_ptr<TcxBitmap> m_frameBase;
    std::unique_ptr<TcxBitmap> m_frameScratch;
    std::map<int, std::vector<std::uint32_t>> m_frames;
    size_t m_framePixels = 0;
    RECT m_frameFill{};
    FrameKeyValues m_frameKey;
    bool m_frameKeyKept = false;
    // The window's own device context (its class keeps one per window), taken at the first
    // tick: a tick then copies its frame without getting and releasing a context.
    HDC m_screenDC = nullptr;
    // The settings the running animation was started for.
    int m_animatedLook = -1;
    int m_animatedSpeed = -1;
};

class TcxProgressBar : public TcxCustomProgressBar {
public:
    using TcxCustomProgressBar::TcxCustomProgressBar;
    const wchar_t* ClassName() const override { return L"TcxProgressBar"; }
};
