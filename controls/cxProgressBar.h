// A progress bar: a floating-point position between a minimum and a maximum shown as a
// filled bar inside an editor frame, with an optional text.
#pragma once

#include "editors/cxEdit.h"

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
    TcxProgressBarAnimationPath AnimationPath() const noexcept { return m_animationPath; }
    void SetAnimationPath(TcxProgressBarAnimationPath v) { SetValue(m_animationPath, v); }
    TcxProgressBarOrientation Orientation() const noexcept { return m_orientation; }
    void SetOrientation(TcxProgressBarOrientation v) { SetValue(m_orientation, v); }
    bool SolidTextColor() const noexcept { return m_solidTextColor; }
    void SetSolidTextColor(bool v) { SetValue(m_solidTextColor, v); }
    int BorderWidth() const noexcept { return m_borderWidth; }
    void SetBorderWidth(int v) { SetValue(m_borderWidth, v < 0 ? 0 : v); }

private:
    template <typename T>
    void SetValue(T& field, T v)
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
    TcxProgressBarAnimationPath m_animationPath = cxapCycle;
    TcxProgressBarOrientation m_orientation = cxorHorizontal;
    bool m_solidTextColor = false;
    int m_borderWidth = 0;
};

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
    double Position() const noexcept { return m_position; }
    void SetPosition(double v);
    bool CanTakeFocus() const override { return false; }
    bool UsesParentBackground() const override { return true; }

    // Whole per cent of the range that the position covers (halves to the even neighbour).
    int PercentDone();
    std::wstring ProgressText();
    RECT BarArea() const noexcept { return m_barArea; }
    RECT FilledArea() const noexcept { return m_filledArea; }

protected:
    void PropertiesChanged() override;
    void ComputeViewInfo(POINT p, bool hotAllowed) override;
    void PaintContent(HDC dc) override;
    double ValueRange();
    void ClampPosition();

private:
    double m_position = 0;
    RECT m_barArea{};
    RECT m_filledArea{};
};

class TcxProgressBar : public TcxCustomProgressBar {
public:
    using TcxCustomProgressBar::TcxCustomProgressBar;
    const wchar_t* ClassName() const override { return L"TcxProgressBar"; }
};
