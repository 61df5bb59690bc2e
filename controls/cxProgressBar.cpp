#include "cxProgressBar.h"

#include "lookandfeel/dxOffice11.h"

#include <cmath>
#include <cwchar>

namespace {

const TEnumNames kBarStyles{{L"cxbsSolid", cxbsSolid},         {L"cxbsLEDs", cxbsLEDs},
                            {L"cxbsGradient", cxbsGradient},   {L"cxbsGradientLEDs", cxbsGradientLEDs},
                            {L"cxbsBitmap", cxbsBitmap},       {L"cxbsBitmapLEDs", cxbsBitmapLEDs},
                            {L"cxbsAnimation", cxbsAnimation}, {L"cxbsAnimationLEDs", cxbsAnimationLEDs}};
const TEnumNames kBevels{{L"cxbvNone", cxbvNone}, {L"cxbvLowered", cxbvLowered}, {L"cxbvRaised", cxbvRaised}};
const TEnumNames kTextStyles{{L"cxtsPercent", cxtsPercent}, {L"cxtsPosition", cxtsPosition}, {L"cxtsText", cxtsText}};
const TEnumNames kPaths{{L"cxapCycle", cxapCycle}, {L"cxapPingPong", cxapPingPong}};
const TEnumNames kOrientations{{L"cxorHorizontal", cxorHorizontal}, {L"cxorVertical", cxorVertical}};

constexpr TColor kAnimationBeginColor = 54056; // red 40, green 211, blue 0

bool IsAnimationStyle(TcxProgressBarBarStyle s) { return s == cxbsAnimation || s == cxbsAnimationLEDs; }

constexpr int kSegmentHalf = 25; // half the animated segment's length
constexpr unsigned kStepInterval = 30;

} // namespace

const TClassInfo* TcxProgressBarProperties::StaticProperties()
{
    static const TClassInfo info = [] {
        using P = TcxProgressBarProperties;
        TClassInfo ci(L"TcxProgressBarProperties", TcxCustomEditProperties::StaticProperties());
        ci.AddFloat<P>(L"Min", &P::SetMin, &P::Min);
        ci.AddFloat<P>(L"Max", &P::SetMax, &P::Max);
        ci.AddEnum<P, TcxProgressBarBarStyle>(L"BarStyle", kBarStyles, &P::SetBarStyle, &P::BarStyle);
        ci.AddEnum<P, TcxProgressBarBevelOuter>(L"BarBevelOuter", kBevels, &P::SetBarBevelOuter, &P::BarBevelOuter);
        ci.AddColor<P>(L"BeginColor", &P::SetBeginColor, &P::BeginColor);
        ci.AddColor<P>(L"EndColor", &P::SetEndColor, &P::EndColor);
        ci.AddFloat<P>(L"PeakValue", &P::SetPeakValue, &P::PeakValue);
        ci.AddFloat<P>(L"OverloadValue", &P::SetOverloadValue, &P::OverloadValue);
        ci.AddBool<P>(L"ShowText", &P::SetShowText, &P::ShowText);
        ci.AddEnum<P, TcxProgressBarTextStyle>(L"ShowTextStyle", kTextStyles, &P::SetShowTextStyle, &P::ShowTextStyle);
        ci.AddString<P>(L"Text", &P::SetText, &P::Text);
        ci.AddBool<P>(L"Marquee", &P::SetMarquee, &P::Marquee);
        ci.AddInt<P>(L"AnimationSpeed", &P::SetAnimationSpeed, &P::AnimationSpeed);
        ci.Add({L"AnimationRestartDelay",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<P&>(o).SetAnimationRestartDelay(static_cast<unsigned>(ValueToInt(v)));
                },
                {},
                {},
                {}});
        ci.AddEnum<P, TcxProgressBarAnimationPath>(L"AnimationPath", kPaths, &P::SetAnimationPath, &P::AnimationPath);
        ci.AddEnum<P, TcxProgressBarOrientation>(L"Orientation", kOrientations, &P::SetOrientation, &P::Orientation);
        ci.AddBool<P>(L"SolidTextColor", &P::SetSolidTextColor, &P::SolidTextColor);
        ci.AddInt<P>(L"BorderWidth", &P::SetBorderWidth, &P::BorderWidth);
        return ci;
    }();
    return &info;
}

void TcxProgressBarProperties::Assign(const TPersistent* source)
{
    if (auto* p = dynamic_cast<const TcxProgressBarProperties*>(source)) {
        BeginUpdate();
        m_min = p->m_min;
        m_max = p->m_max;
        m_minAssigned = p->m_minAssigned;
        m_maxAssigned = p->m_maxAssigned;
        m_barStyle = p->m_barStyle;
        m_bevel = p->m_bevel;
        m_beginColor = p->m_beginColor;
        m_endColor = p->m_endColor;
        m_peakValue = p->m_peakValue;
        m_overloadValue = p->m_overloadValue;
        m_showText = p->m_showText;
        m_textStyle = p->m_textStyle;
        m_text = p->m_text;
        m_marquee = p->m_marquee;
        m_animationSpeed = p->m_animationSpeed;
        m_restartDelay = p->m_restartDelay;
        m_animationPath = p->m_animationPath;
        m_orientation = p->m_orientation;
        m_solidTextColor = p->m_solidTextColor;
        m_borderWidth = p->m_borderWidth;
        TcxCustomEditProperties::Assign(source);
        EndUpdate();
        return;
    }
    TcxCustomEditProperties::Assign(source);
}

void TcxProgressBarProperties::SetMax(double v)
{
    if (m_maxAssigned && v == m_max)
        return;
    m_max = v;
    m_maxAssigned = true;
    if (Max() < Min()) {
        m_min = Max();
        m_minAssigned = true;
    }
    if (m_overloadValue > Max())
        m_overloadValue = Max();
    if (m_peakValue > Max())
        m_peakValue = Max();
    Changed();
}

void TcxProgressBarProperties::SetMin(double v)
{
    if (m_minAssigned && v == m_min)
        return;
    m_min = v;
    m_minAssigned = true;
    if (Max() < Min()) {
        m_max = Min();
        m_maxAssigned = true;
    }
    if (m_overloadValue < Min())
        m_overloadValue = Min();
    if (m_peakValue < Min())
        m_peakValue = Min();
    Changed();
}

void TcxProgressBarProperties::SetOverloadValue(double v)
{
    if (v < Min())
        v = Min();
    if (v > Max())
        v = Max();
    SetValue(m_overloadValue, v);
}

void TcxProgressBarProperties::SetPeakValue(double v) { SetValue(m_peakValue, v); }

void TcxProgressBarProperties::SetBarStyle(TcxProgressBarBarStyle v)
{
    if (v == m_barStyle)
        return;
    m_barStyle = v;
    if (v == cxbsAnimation || v == cxbsAnimationLEDs)
        m_beginColor = kAnimationBeginColor;
    Changed();
}

void TcxProgressBarProperties::SetShowTextStyle(TcxProgressBarTextStyle v)
{
    if (m_marquee && v != cxtsText)
        return;
    SetValue(m_textStyle, v);
}

void TcxProgressBarProperties::SetText(const std::wstring& v)
{
    if (v == m_text)
        return;
    m_text = v;
    if (!v.empty())
        m_textStyle = cxtsText;
    Changed();
}

void TcxProgressBarProperties::SetMarquee(bool v)
{
    if (v == m_marquee)
        return;
    m_marquee = v;
    if (v)
        m_textStyle = cxtsText;
    Changed();
}

void TcxProgressBarProperties::SetAnimationSpeed(int v)
{
    SetValue(m_animationSpeed, v < 0 ? 0 : (v > 20 ? 20 : v));
}

// ---- TcxCustomProgressBar ------------------------------------------------------------------------

TcxCustomProgressBar::TcxCustomProgressBar(TComponent* owner) : TcxCustomEdit(owner)
{
    SetTabStop(false);
    InitEdit(new TcxProgressBarProperties(this));
}

const TClassInfo* TcxCustomProgressBar::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxCustomProgressBar", TcxCustomEdit::StaticProperties());
        ci.AddObject<TcxCustomProgressBar, TcxProgressBarProperties>(L"Properties", &TcxCustomProgressBar::Properties);
        ci.AddFloat<TcxCustomProgressBar>(L"Position", &TcxCustomProgressBar::SetPosition,
                                          &TcxCustomProgressBar::Position);
        return ci;
    }();
    return &info;
}

double TcxCustomProgressBar::ValueRange()
{
    double range = Properties()->Max() - Properties()->Min();
    return range == 0 ? 1 : range;
}

void TcxCustomProgressBar::ClampPosition()
{
    TcxProgressBarProperties* p = Properties();
    if (p->Max() > p->Min()) {
        if (m_position < p->Min())
            m_position = p->Min();
        if (m_position > p->Max())
            m_position = p->Max();
    }
}

void TcxCustomProgressBar::SetPosition(double v)
{
    if (v == m_position)
        return;
    RECT filledBefore = m_filledArea;
    std::wstring textBefore = ProgressText();
    m_position = v;
    if (!IsLoading())
        ClampPosition();
    if (!HandleAllocated() || IsLoading() || !m_viewInfo.bounds.right) {
        UpdateVisualStateAtCursor(false);
        return;
    }
    // A step too small to move the filled part or change the text paints the same picture:
    // only the layout is brought up to date (the running segment repaints on its own).
    RecomputeFilledArea();
    bool textChanged = Properties()->ShowText() && textBefore != ProgressText();
    if (EqualRect(&filledBefore, &m_filledArea) && !textChanged)
        return;
    RECT changed = m_barArea;
    // Only the end of the filled part changes (with the shading ramp that sits at it), unless
    // the text does too.
    // (A short filled part shrinks both ramps, so it repaints whole.)
    if (!textChanged && Properties()->Orientation() == cxorHorizontal && !Properties()->Marquee() &&
        std::min(filledBefore.right - filledBefore.left, m_filledArea.right - m_filledArea.left) > 3 * 24) {
        const int ramp = 24 + 2;
        changed.left = std::max(m_barArea.left, std::min(filledBefore.right, m_filledArea.right) - ramp);
        changed.right = std::min(m_barArea.right, std::max(filledBefore.right, m_filledArea.right) + 2);
    }
    InvalidatePaced(changed);
}

void TcxCustomProgressBar::PropertiesChanged()
{
    ClampPosition();
    TcxCustomEdit::PropertiesChanged();
}

int TcxCustomProgressBar::PercentDone()
{
    double v = Properties()->Marquee() ? Properties()->Max() : m_position - Properties()->Min();
    double percent = std::nearbyint(v * 100 / ValueRange()); // the default rounding sends halves to even
    return static_cast<int>(std::min(100.0, percent));
}

std::wstring TcxCustomProgressBar::ProgressText()
{
    TcxProgressBarProperties* p = Properties();
    if (p->Marquee())
        return p->Text();
    switch (p->ShowTextStyle()) {
    case cxtsPercent: return std::to_wstring(PercentDone()) + L" %";
    case cxtsPosition: {
        wchar_t buf[64];
        swprintf(buf, 64, L"%.15g", m_position);
        return buf;
    }
    case cxtsText: return p->Text();
    }
    return {};
}

void TcxCustomProgressBar::ComputeViewInfo(POINT p, bool hotAllowed)
{
    TcxCustomEdit::ComputeViewInfo(p, hotAllowed);
    TcxProgressBarProperties* props = Properties();
    int bw = props->BorderWidth();
    m_barArea = m_viewInfo.borderRect;
    InflateRect(&m_barArea, -bw, -bw);
    RecomputeFilledArea();
    // The animation restarts when its look changes, and when the speed comes up from 0.
    int look = props->Orientation() | (props->BarStyle() << 1) | (props->Marquee() << 4) | (props->AnimationPath() << 5);
    int speed = props->AnimationSpeed();
    if (look != m_animatedLook || (m_animatedSpeed == 0 && speed > 0) || (m_stepTimer && !m_stepTimer->Enabled()))
        StartAnimation();
    else if (speed == 0)
        m_stepTimer.reset();
    m_animatedLook = look;
    m_animatedSpeed = speed;
}

void TcxCustomProgressBar::RecomputeFilledArea()
{
    TcxProgressBarProperties* props = Properties();
    m_filledArea = m_barArea;
    if (!props->Marquee()) {
        double v = m_position - props->Min();
        if (props->Orientation() == cxorHorizontal)
            m_filledArea.right =
                m_barArea.left + static_cast<int>(std::trunc(v * (m_barArea.right - m_barArea.left) / ValueRange()));
        else
            m_filledArea.top =
                m_barArea.bottom - static_cast<int>(std::trunc(v * (m_barArea.bottom - m_barArea.top) / ValueRange()));
    }
    if (props->Orientation() == cxorHorizontal)
        m_segmentRect = {m_filledArea.left - kSegmentHalf, m_filledArea.top, m_filledArea.left + kSegmentHalf,
                         m_filledArea.bottom};
    else
        m_segmentRect = {m_filledArea.left, -kSegmentHalf, m_filledArea.right, kSegmentHalf};
    // The peak follows the highest position reached.
    double shownPeak = std::max(m_position, std::min(props->Max(), std::max(props->Min(), props->PeakValue())));
    if (shownPeak > props->PeakValue())
        props->TrackPeak(shownPeak);
}

void PaintGlossyBar(HDC dc, RECT r, TColor colour, TcxGlossyKind kind, bool vertical)
{
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    TColor l40 = LightenColor(colour, 40), l80 = LightenColor(colour, 80);
    TColor d90 = ScaleColor(colour, 90), d80 = ScaleColor(colour, 80);
    int e = kind == TcxGlossyKind::Bar ? 4 : 1;
    int ramp = kind == TcxGlossyKind::Bar ? 20 : 8;
    FillRectSolid(dc, r, colour);
    int length = vertical ? r.bottom - r.top : r.right - r.left;
    // Short bars shrink both bands in proportion (horizontal bars only for the bar kind).
    if ((vertical || kind == TcxGlossyKind::Bar) && length < 3 * (e + ramp)) {
        int whole = 3 * (e + ramp);
        e = e * length / whole;
        ramp = ramp * length / whole;
    }
    int t = e + ramp;
    if (!vertical) {
        FillRectGradient(dc, {r.left, r.top, r.left + e, r.bottom}, d90, true, d80);
        FillRectGradient(dc, {r.right - e, r.top, r.right, r.bottom}, d80, true, d90);
        FillRectGradient(dc, {r.left + e, r.top, r.left + t, r.bottom}, d80, true, colour);
        FillRectGradient(dc, {r.right - t, r.top, r.right - e, r.bottom}, colour, true, d80);
        FillRectGradient(dc, {r.left, r.top, r.right, r.top + 6}, l40, false, l80);
    } else {
        FillRectGradient(dc, {r.left, r.top, r.right, r.top + e}, d90, false, d80);
        FillRectGradient(dc, {r.left, r.bottom - e, r.right, r.bottom}, d80, false, d90);
        FillRectGradient(dc, {r.left, r.top + e, r.right, r.top + t}, d80, false, colour);
        FillRectGradient(dc, {r.left, r.bottom - t, r.right, r.bottom - e}, colour, false, d80);
        FillRectGradient(dc, {r.left, r.top, r.left + 6, r.bottom}, l40, true, l80);
    }
}

bool TcxCustomProgressBar::AnimationWanted()
{
    TcxProgressBarProperties* p = Properties();
    return (IsAnimationStyle(p->BarStyle()) || p->Marquee()) && p->AnimationSpeed() > 0;
}

int TcxCustomProgressBar::SegmentStart()
{
    if (Properties()->Orientation() == cxorHorizontal)
        return 0;
    double v = Properties()->Marquee() ? Properties()->Max() : m_position - Properties()->Min();
    return Height() - static_cast<int>(std::trunc(Height() / ValueRange() * v));
}

int TcxCustomProgressBar::SegmentEnd()
{
    if (Properties()->Orientation() != cxorHorizontal)
        return Height();
    double v = Properties()->Marquee() ? Properties()->Max() : m_position - Properties()->Min();
    return static_cast<int>(std::trunc(Width() / ValueRange() * v));
}

void TcxCustomProgressBar::ResetSegment()
{
    m_segmentOffset = Properties()->AnimationPath() == cxapCycle ? -kSegmentHalf : kSegmentHalf;
    if (Properties()->Orientation() == cxorVertical) {
        m_segmentOffset = -m_segmentOffset;
        m_segmentDirection = -1;
    } else {
        m_segmentDirection = 1;
    }
    m_segmentOffset += m_segmentDirection <= 0 ? SegmentEnd() : SegmentStart();
}

void TcxCustomProgressBar::StartPause()
{
    m_pauseTimer.reset();
    unsigned delay = Properties()->AnimationRestartDelay();
    if (delay == 0)
        return;
    m_pauseTimer = std::make_unique<TcxTimer>(nullptr);
    m_pauseTimer->SetInterval(delay);
    // One-shot: the first tick ends the pause. The timer cannot be freed inside its own tick,
    // so the tick only stops it and the next step frees it.
    m_pauseTimer->SetOnTimer([this](TObject*) { m_pauseTimer->SetEnabled(false); });
}

void TcxCustomProgressBar::StepSegment()
{
    if (m_pauseTimer) {
        if (m_pauseTimer->Enabled())
            return;
        m_pauseTimer.reset();
    }
    m_segmentOffset += 2 * Properties()->AnimationSpeed() * m_segmentDirection;
    if (Properties()->AnimationPath() == cxapCycle) {
        if (m_segmentOffset > SegmentEnd() + kSegmentHalf || m_segmentOffset < SegmentStart() - kSegmentHalf) {
            ResetSegment();
            StartPause();
        }
        return;
    }
    if (m_segmentDirection > 0 && m_segmentOffset > SegmentEnd() - kSegmentHalf) {
        m_segmentDirection = -m_segmentDirection;
        m_segmentOffset -= 1;
        StartPause();
    } else if (m_segmentDirection < 0 && m_segmentOffset < SegmentStart() + kSegmentHalf) {
        m_segmentDirection = -m_segmentDirection;
        m_segmentOffset += 1;
        StartPause();
    }
}

void TcxCustomProgressBar::StartAnimation()
{
    m_stepTimer.reset();
    if (!AnimationWanted())
        return;
    m_stepTimer = std::make_unique<TcxTimer>(nullptr);
    m_stepTimer->SetInterval(kStepInterval);
    m_stepTimer->SetOnTimer([this](TObject*) {
        if (!AnimationWanted()) {
            // Freed on the next layout; a timer is not freed inside its own tick.
            m_stepTimer->SetEnabled(false);
            return;
        }
        StepSegment();
        if (HandleAllocated() && IsWindowVisible(Handle())) {
            InvalidateRect(Handle(), &m_barArea, FALSE);
            UpdateWindow(Handle());
        }
    });
    ResetSegment();
}

RECT TcxCustomProgressBar::CurrentSegment() const
{
    RECT s = m_segmentRect;
    if (const_cast<TcxCustomProgressBar*>(this)->Properties()->Orientation() == cxorHorizontal)
        OffsetRect(&s, m_segmentOffset, 0);
    else
        OffsetRect(&s, 0, m_segmentOffset);
    return s;
}

void TcxCustomProgressBar::PaintSegmentGlow(HDC dc, const RECT& seg, const RECT& filled)
{
    if (Properties()->Orientation() != cxorHorizontal)
        return;
    int h = (seg.right - seg.left) / 2;
    for (int y = seg.top; y < seg.top + 6 && y < seg.bottom; ++y) {
        COLORREF base = GetPixel(dc, filled.left + 1, y);
        TColor b = base == CLR_INVALID ? ColorToRGB(Properties()->BeginColor()) : base;
        TColor g = LightenColor(b, 60);
        FillRectGradient(dc, {seg.left - h, y, seg.left + h - 5, y + 1}, b, true, g);
        FillRectSolid(dc, {seg.left + h - 5, y, seg.left + h + 5, y + 1}, g);
        FillRectGradient(dc, {seg.left + h + 5, y, seg.right + h, y + 1}, g, true, b);
    }
    SaveDCGuard saved(dc);
    IntersectClipRect(dc, seg.left, seg.top, seg.right, seg.bottom);
    for (int x = seg.left; x <= seg.right; ++x) {
        int d = 0;
        if (x < seg.left + h - 5)
            d = seg.left + h - 5 - x;
        else if (x > seg.left + h + 5)
            d = x - seg.left - h - 5;
        int percent = 60 + d * 40 / std::max(h - 5, 1);
        COLORREF c = GetPixel(dc, x, seg.top + 6);
        if (c == CLR_INVALID)
            continue;
        FillRectSolid(dc, {x, seg.top + 6, x + 1, seg.bottom}, LightenColor(c, percent));
    }
}

void TcxCustomProgressBar::PaintContent(HDC dc)
{
    TcxProgressBarProperties* props = Properties();
    bool vertical = props->Orientation() == cxorVertical;
    RECT fill = m_filledArea;
    bool animated = IsAnimationStyle(props->BarStyle());
    if (animated)
        PaintGlossyBar(dc, m_barArea, m_viewInfo.backgroundColor, TcxGlossyKind::Background, vertical);
    if (fill.right > fill.left && fill.bottom > fill.top) {
        SaveDCGuard saved(dc);
        IntersectClipRect(dc, fill.left, fill.top, fill.right, fill.bottom);
        if (animated) {
            PaintGlossyBar(dc, fill, props->BeginColor(), TcxGlossyKind::Bar, vertical);
            if (m_stepTimer && !props->Marquee())
                PaintSegmentGlow(dc, CurrentSegment(), fill);
        } else {
            FillRectSolid(dc, fill, props->BeginColor());
            if (props->BarBevelOuter() != cxbvNone)
                DrawEdge(dc, &fill, props->BarBevelOuter() == cxbvLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER,
                         BF_RECT);
        }
    }
    if (!props->ShowText())
        return;
    std::wstring text = ProgressText();
    if (text.empty())
        return;
    SelectGuard sel(dc, Style()->Font()->Handle());
    SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ColorToRGB(CurrentStyle()->TextColor()));
    RECT r = m_barArea;
    DrawTextW(dc, text.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}
