#include "cxProgressBar.h"

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
    m_position = v;
    if (!IsLoading())
        ClampPosition();
    UpdateVisualStateAtCursor(false);
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
    // The peak follows the highest position reached.
    double shownPeak = std::max(m_position, std::min(props->Max(), std::max(props->Min(), props->PeakValue())));
    if (shownPeak > props->PeakValue())
        props->TrackPeak(shownPeak);
}

void TcxCustomProgressBar::PaintContent(HDC dc)
{
    TcxProgressBarProperties* props = Properties();
    RECT fill = m_filledArea;
    if (fill.right > fill.left && fill.bottom > fill.top) {
        UniqueBrush b(CreateSolidBrush(ColorToRGB(props->BeginColor())));
        FillRect(dc, &fill, b.get());
        bool animated = props->BarStyle() == cxbsAnimation || props->BarStyle() == cxbsAnimationLEDs;
        if (!animated && props->BarBevelOuter() != cxbvNone)
            DrawEdge(dc, &fill, props->BarBevelOuter() == cxbvLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
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
