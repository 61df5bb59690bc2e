#include "cxProgressBar.h"

#include "controls/cxBitmapCopy.h"
#include "controls/cxLabel.h"
#include "controls/cxWindowText.h"
#include "runtime/rtAccessibleName.h"

#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "runtime/rtGraphicsInfo.h"

#include <algorithm>
#include <charconv>
#include <cwctype>
#include <vector>

#include <commctrl.h>
#include <oleacc.h>

#include <cmath>
#include <cwchar>

namespace {

const TEnumNames kBarStyles{{L"cxbsSolid", cxbsSolid},         {L"cxbsLEDs", cxbsLEDs},
                            {L"cxbsGradient", cxbsGradient},   {L"cxbsGradientLEDs", cxbsGradientLEDs},
                            {L"cxbsBitmap", cxbsBitmap},       {L"cxbsBitmapLEDs", cxbsBitmapLEDs},
                            {L"cxbsAnimation", cxbsAnimation}, {L"cxbsAnimationLEDs", cxbsAnimationLEDs}};
const TEnumNames kBevels{{L"cxbvNone", cxbvNone}, {L"cxbvLowered", cxbvLowered}, {L"cxbvRaised", cxbvRaised}};
const TEnumNames kTextStyles{
    {L"cxtsPercent", cxtsPercent}, {L"cxtsPosition", cxtsPosition}, {L"cxtsText", cxtsText}};
const TEnumNames kPaths{{L"cxapCycle", cxapCycle}, {L"cxapPingPong", cxapPingPong}};
const TEnumNames kOrientations{{L"cxorHorizontal", cxorHorizontal}, {L"cxorVertical", cxorVertical}};

constexpr TColor kAnimationBeginColor = 54056; // red 40, green 211, blue 0

bool IsAnimationStyle(TcxProgressBarBarStyle s)
{
    return s == cxbsAnimation || s == cxbsAnimationLEDs;
}

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
        ci.AddEnum<P, TcxProgressBarBevelOuter>(L"BarBevelOuter", kBevels, &P::SetBarBevelOuter,
                                                &P::BarBevelOuter);
        ci.AddColor<P>(L"BeginColor", &P::SetBeginColor, &P::BeginColor);
        ci.AddColor<P>(L"EndColor", &P::SetEndColor, &P::EndColor);
        ci.AddFloat<P>(L"PeakValue", &P::SetPeakValue, &P::PeakValue);
        ci.AddFloat<P>(L"OverloadValue", &P::SetOverloadValue, &P::OverloadValue);
        ci.AddBool<P>(L"ShowText", &P::SetShowText, &P::ShowText);
        ci.AddEnum<P, TcxProgressBarTextStyle>(L"ShowTextStyle", kTextStyles, &P::SetShowTextStyle,
                                               &P::ShowTextStyle);
        ci.AddString<P>(L"Text", &P::SetText, &P::Text);
        ci.AddBool<P>(L"Marquee", &P::SetMarquee, &P::Marquee);
        ci.AddInt<P>(L"AnimationSpeed", &P::SetAnimationSpeed, &P::AnimationSpeed);
        ci.Add({L"AnimationRestartDelay",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<P&>(o).SetAnimationRestartDelay(static_cast<unsigned>(ValueToInt(v)));
                },
                [](const TPersistent& o) {
                    return TValue::Int(static_cast<const P&>(o).AnimationRestartDelay());
                },
                {},
                {}});
        ci.AddEnum<P, TcxProgressBarAnimationPath>(L"AnimationPath", kPaths, &P::SetAnimationPath,
                                                   &P::AnimationPath);
        ci.AddEnum<P, TcxProgressBarOrientation>(L"Orientation", kOrientations, &P::SetOrientation,
                                                 &P::Orientation);
        ci.AddBool<P>(L"SolidTextColor", &P::SetSolidTextColor, &P::SolidTextColor);
        ci.AddInt<P>(L"BorderWidth", &P::SetBorderWidth, &P::BorderWidth);
        ci.AddBool<P>(L"ShowOverload", &P::SetShowOverload, &P::ShowOverload);
        ci.AddColor<P>(L"OverloadBeginColor", &P::SetOverloadBeginColor, &P::OverloadBeginColor);
        ci.AddColor<P>(L"OverloadEndColor", &P::SetOverloadEndColor, &P::OverloadEndColor);
        ci.AddBool<P>(L"ShowPeak", &P::SetShowPeak, &P::ShowPeak);
        ci.AddColor<P>(L"PeakColor", &P::SetPeakColor, &P::PeakColor);
        ci.AddInt<P>(L"PeakSize", &P::SetPeakSize, &P::PeakSize);
        ci.AddEnum<P, TcxProgressBarOrientation>(L"TextOrientation", kOrientations, &P::SetTextOrientation,
                                                 &P::TextOrientation);
        ci.AddBool<P>(L"TransparentImage", &P::SetTransparentImage, &P::TransparentImage);
        AddPictureProperty<P>(ci, L"ForegroundImage", &P::SetForegroundImage, &P::ForegroundImage);
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
        m_showOverload = p->m_showOverload;
        m_overloadBeginColor = p->m_overloadBeginColor;
        m_overloadEndColor = p->m_overloadEndColor;
        m_showPeak = p->m_showPeak;
        m_peakColor = p->m_peakColor;
        m_peakSize = p->m_peakSize;
        m_textOrientation = p->m_textOrientation;
        m_transparentImage = p->m_transparentImage;
        SetForegroundImage(p->m_image ? p->m_image->Handle() : nullptr);
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

void TcxProgressBarProperties::SetPeakValue(double v)
{
    SetValue(m_peakValue, v);
}

void TcxProgressBarProperties::SetTransparentImage(bool v)
{
    if (v == m_transparentImage)
        return;
    m_transparentImage = v;
    m_imageChanged = true;
    Changed();
}

void TcxProgressBarProperties::SetForegroundImage(HBITMAP bitmap)
{
    m_image = CopyBitmap(bitmap);
    m_imageChanged = true;
    Changed();
}

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
        ci.AddObject<TcxCustomProgressBar, TcxProgressBarProperties>(L"Properties",
                                                                     &TcxCustomProgressBar::Properties);
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

namespace {

// The shortest text that reads back as the same number.
std::wstring PositionToText(double v)
{
    char buf[64];
    auto result = std::to_chars(buf, buf + sizeof(buf), v);
    return std::wstring(buf, result.ptr);
}

// A text value as a position: 0 when it is no number. Read with the convention the position
// is written in ("." whatever the C runtime's locale), so that a value reads back the same.
double TextToPosition(const std::wstring& text)
{
    size_t first = 0, last = text.size();
    while (first < last && iswspace(text[first]))
        ++first;
    while (last > first && iswspace(text[last - 1]))
        --last;
    std::string narrow;
    for (size_t i = first; i < last; ++i) {
        if (text[i] > 0x7F)
            return 0;
        narrow += static_cast<char>(text[i]);
    }
    // from_chars takes no leading "+", which the text of a number may carry.
    const char* begin = narrow.data();
    const char* end = narrow.data() + narrow.size();
    if (begin != end && *begin == '+')
        ++begin;
    double v = 0;
    const auto result = std::from_chars(begin, end, v);
    return result.ec == std::errc() && result.ptr == end && begin != end ? v : 0;
}

} // namespace

// The edit value is brought into the range after every change of the settings and when
// loading ends (a stored position may come before the range that holds it).
void TcxCustomProgressBar::ClampPosition()
{
    TcxProgressBarProperties* p = Properties();
    if (IsLoading() || !(p->Max() > p->Min()))
        return;
    double v =
        TextToPosition(EditValue().kind == TcxEditValue::Kind::Text ? EditValue().text : std::wstring());
    double held = std::clamp(v, p->Min(), p->Max());
    if (held != v || held != m_position)
        SetEditValue(TcxEditValue::Of(PositionToText(held)));
}

void TcxCustomProgressBar::SetPosition(double v)
{
    if (v == m_position)
        return;
    TcxProgressBarProperties* p = Properties();
    if (!IsLoading() && p->Max() > p->Min())
        v = std::clamp(v, p->Min(), p->Max());
    SetEditValue(TcxEditValue::Of(PositionToText(v)));
}

void TcxCustomProgressBar::SetDisplayValue(const std::wstring& text)
{
    ShowPosition(TextToPosition(text));
}

bool TcxCustomProgressBar::DescribeAccessible(TAccessibleDescription& d)
{
    d.role = ROLE_SYSTEM_PROGRESSBAR;
    d.hasValue = true;
    d.value = ProgressText();
    d.hasName = true;
    d.name = AccessibleName();
    TWinControl* parent = Parent();
    if (!d.name.empty() || !parent)
        return true;
    // The label that names the bar: one linked to it, else the nearest one to its left whose
    // middle lies within the bar's height.
    TcxLabel* beside = nullptr;
    int nearest = 0;
    for (int i = 0; i < parent->ControlCount(); ++i) {
        auto* label = dynamic_cast<TcxLabel*>(parent->Controls(i));
        if (!label || !label->Visible())
            continue;
        if (label->FocusControl() == this) {
            beside = label;
            break;
        }
        const int middle = label->Top() + label->Height() / 2;
        const int gap = Left() - (label->Left() + label->Width());
        if (middle < Top() || middle > Top() + Height() || gap < -2)
            continue;
        if (!beside || gap < nearest) {
            beside = label;
            nearest = gap;
        }
    }
    if (beside)
        d.name = beside->ShownCaption();
    return true;
}

std::wstring TcxCustomProgressBar::DisplayText()
{
    return ProgressText();
}

void TcxCustomProgressBar::Loaded()
{
    TcxCustomEdit::Loaded();
    ClampPosition();
}

void TcxCustomProgressBar::ShowPosition(double v)
{
    TcxProgressBarProperties* p = Properties();
    if (!IsLoading() && p->Max() > p->Min())
        v = std::clamp(v, p->Min(), p->Max());
    if (v == m_position)
        return;
    RECT filledBefore = m_filledArea;
    std::wstring textBefore = ProgressText();
    m_position = v;
    const bool textDiffers = textBefore != ProgressText();
    // A screen reader hears of each new value shown, not of every step below it.
    if (textDiffers && HandleAllocated() && !IsLoading())
        NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, Handle(), OBJID_CLIENT, CHILDID_SELF);
    if (!HandleAllocated() || IsLoading() || !m_viewInfo.bounds.right) {
        UpdateVisualStateAtCursor(false);
        return;
    }
    // A step too small to move the filled part or change the text paints the same picture:
    // only the layout is brought up to date (the running segment repaints on its own).
    RecomputeFilledArea();
    // The first filled pixels start the glow that an empty bar went without.
    if (AnimationDue())
        StartAnimation();
    bool textChanged = Properties()->ShowText() && textDiffers;
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
    DropFrames();
    // A running animation paints the whole bar at its next step, sooner than the repaint pace
    // would: the step shows the new position, and no repaint of its own is needed.
    if (AnimationStepsSoon())
        return;
    InvalidatePaced(changed);
}

bool TcxCustomProgressBar::AnimationStepsSoon()
{
    return m_animating && m_stepTimer->Enabled() && kStepInterval <= kRepaintInterval && AnimationWanted() &&
           IsWindowVisible(Handle());
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
    // A position outside the range (Max <= Min clamps nothing) still reads as 0 .. 100 per cent;
    // a value that is not a number reads as 0.
    if (!(percent > 0))
        return 0;
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
        char buf[64];
        const auto result = std::to_chars(buf, buf + sizeof(buf), m_position, std::chars_format::general, 15);
        return std::wstring(buf, result.ptr);
    }
    case cxtsText: return p->Text();
    }
    return {};
}

void TcxCustomProgressBar::ComputeViewInfo(POINT p, bool hotAllowed)
{
    DropFrames();
    TcxCustomEdit::ComputeViewInfo(p, hotAllowed);
    TcxProgressBarProperties* props = Properties();
    int bw = props->BorderWidth();
    m_barArea = m_viewInfo.borderRect;
    InflateRect(&m_barArea, -bw, -bw);
    if (Themed()) {
        // The theme draws its own frame around the whole control.
        int inset = bw + 1;
        m_barArea = {0, 0, Width(), Height()};
        if (IsAnimationStyle(props->BarStyle()))
            InflateRect(&m_barArea, -inset, -inset);
        else
            m_barArea = {bw + 3, bw + 3, Width() - bw - 2, Height() - bw - 2};
    }
    // A border wider than the bar leaves no bar at all (not an inverted one).
    if (m_barArea.right < m_barArea.left)
        m_barArea.left = m_barArea.right = (m_viewInfo.borderRect.left + m_viewInfo.borderRect.right) / 2;
    if (m_barArea.bottom < m_barArea.top)
        m_barArea.top = m_barArea.bottom = (m_viewInfo.borderRect.top + m_viewInfo.borderRect.bottom) / 2;
    RecomputeFilledArea();
    UpdateImageCopy();
    // The animation restarts when its look changes, and when the speed comes up from 0.
    int look = props->Orientation() | (props->BarStyle() << 1) | (props->Marquee() << 4) |
               (props->AnimationPath() << 5);
    int speed = props->AnimationSpeed();
    if (look != m_animatedLook || (m_animatedSpeed == 0 && speed > 0) || AnimationDue())
        StartAnimation();
    else if (speed == 0)
        StopAnimation();
    m_animatedLook = look;
    m_animatedSpeed = speed;
}

void TcxCustomProgressBar::RecomputeFilledArea()
{
    TcxProgressBarProperties* props = Properties();
    const bool horizontal = props->Orientation() == cxorHorizontal;
    const int width = m_barArea.right - m_barArea.left, height = m_barArea.bottom - m_barArea.top;
    m_filledArea = m_barArea;
    if (!props->Marquee()) {
        double v = m_position - props->Min();
        if (horizontal)
            m_filledArea.right = m_barArea.left + ValueExtent(v, width);
        else
            m_filledArea.top = m_barArea.bottom - ValueExtent(v, height);
    }
    double shownPeak =
        std::max(m_position, std::min(props->Max(), std::max(props->Min(), props->PeakValue())));
    // The overload zone: the part of the filled bar beyond OverloadValue, in its own colours.
    m_overloadShown =
        !props->Marquee() && props->ShowOverload() && !Themed() && m_position >= props->OverloadValue();
    m_overloadArea = {};
    if (m_overloadShown) {
        double ov = props->OverloadValue() - props->Min();
        if (horizontal) {
            int x = m_barArea.left + ValueExtent(ov, width);
            m_overloadArea = {x, m_filledArea.top, std::min(m_filledArea.right, m_barArea.right),
                              m_filledArea.bottom};
            m_filledArea.right = x;
        } else {
            int y = std::max(m_barArea.bottom - ValueExtent(ov, height), m_barArea.top);
            m_overloadArea = {m_filledArea.left, m_filledArea.top, m_filledArea.right, y};
            m_filledArea.top = y;
        }
        // LED bars end their normal part on a cell boundary.
        if (props->BarStyle() & 1) {
            int led = LedSize();
            if (horizontal) {
                int rest = (m_filledArea.right - m_filledArea.left) % led;
                m_filledArea.right -= rest;
                m_overloadArea.left -= rest;
            } else {
                int rest = (m_filledArea.bottom - m_filledArea.top) % led;
                m_filledArea.top += rest;
                m_overloadArea.bottom += rest;
            }
        }
    }
    m_peakShown = props->ShowPeak() && !props->Marquee();
    if (m_peakShown) {
        int size = props->PeakSize();
        double pv = shownPeak - props->Min();
        if (horizontal) {
            int left = std::min(m_barArea.left + ValueExtent(pv, width), m_barArea.right - size);
            m_peakMark = {left, m_barArea.top, left + size, m_barArea.bottom};
        } else {
            int bottom = std::max(m_barArea.bottom - ValueExtent(pv, height), m_barArea.top + size);
            m_peakMark = {m_barArea.left, bottom - size, m_barArea.right, bottom};
        }
    }
    if (horizontal)
        m_segmentRect = {m_filledArea.left - kSegmentHalf, m_filledArea.top, m_filledArea.left + kSegmentHalf,
                         m_filledArea.bottom};
    else
        m_segmentRect = {m_filledArea.left, -kSegmentHalf, m_filledArea.right, kSegmentHalf};
    // The peak follows the highest position reached.
    if (shownPeak > props->PeakValue())
        props->TrackPeak(shownPeak);
}

int TcxCustomProgressBar::ValueExtent(double v, int length)
{
    if (length <= 0)
        return 0;
    double extent = std::trunc(v * length / ValueRange());
    if (!(extent > 0)) // also a value that is not a number
        return 0;
    return extent >= length ? length : static_cast<int>(extent);
}

int TcxCustomProgressBar::LedSize()
{
    TcxProgressBarProperties* p = Properties();
    bool horizontal = p->Orientation() == cxorHorizontal;
    int across = horizontal ? m_filledArea.bottom - m_filledArea.top : m_filledArea.right - m_filledArea.left;
    int size = std::max(across, 0) * 2 / 3 + 2; // exact: 2.0 / 3.0 * 24 falls short of 16
    if (p->BarStyle() == cxbsBitmapLEDs && p->ForegroundImage()) {
        int picture = horizontal ? p->ForegroundImage()->Width() : p->ForegroundImage()->Height();
        if (picture > 0 && picture < size)
            size = picture;
        // Every cell ends in a 2-pixel gap: a picture narrower than 3 pixels gets its whole
        // width in front of the gap, or the bar would be all gaps.
        if (picture > 0 && picture < 3)
            size = picture + 2;
    }
    // Whatever the bar's size, a cell keeps one pixel besides its gap.
    return std::max(size, 3);
}

void TcxCustomProgressBar::UpdateImageCopy()
{
    TcxProgressBarProperties* p = Properties();
    if (!p->ImageChanged() && (m_imageCopy || !p->ForegroundImage()))
        return;
    p->ClearImageChanged();
    m_imageCopy.reset();
    const TcxBitmap* image = p->ForegroundImage();
    if (!image)
        return;
    auto copy = std::make_unique<TcxBitmap>(image->Width(), image->Height(), 32);
    if (p->TransparentImage()) {
        // The picture's bottom-left pixel is its transparent colour.
        FillRectSolid(copy->DC(), copy->ClientRect(), m_viewInfo.backgroundColor);
        COLORREF key = GetPixel(image->DC(), 0, image->Height() - 1);
        for (int y = 0; y < image->Height(); ++y)
            for (int x = 0; x < image->Width(); ++x) {
                COLORREF c = GetPixel(image->DC(), x, y);
                if (c != key)
                    SetPixelV(copy->DC(), x, y, c);
            }
    } else {
        BitBlt(copy->DC(), 0, 0, image->Width(), image->Height(), image->DC(), 0, 0, SRCCOPY);
    }
    m_imageCopy = std::move(copy);
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

// The glossy look from a picture kept per kind, made when size, colour or orientation change:
// its dozen gradients cost more than the rest of the bar. Rectangles of 9 pixels or more each
// way hold all of the look's bands (on smaller ones the bands reach past the rectangle), so
// only those are kept; copying the picture is clipped as drawing it would be.
void TcxCustomProgressBar::PaintGlossy(HDC dc, const RECT& r, TColor colour, TcxGlossyKind kind,
                                       bool vertical)
{
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w < 9 || h < 9) {
        PaintGlossyBar(dc, r, colour, kind, vertical);
        return;
    }
    GlossyPicture& picture = m_glossy[kind == TcxGlossyKind::Bar ? 0 : 1];
    const COLORREF rgb = ColorToRGB(colour);
    if (!picture.bitmap || picture.bitmap->Width() != w || picture.bitmap->Height() != h ||
        picture.colour != rgb || picture.vertical != vertical) {
        picture.bitmap = std::make_unique<TcxBitmap>(w, h, 32);
        PaintGlossyBar(picture.bitmap->DC(), {0, 0, w, h}, colour, kind, vertical);
        picture.colour = rgb;
        picture.vertical = vertical;
    }
    BitBlt(dc, r.left, r.top, w, h, picture.bitmap->DC(), 0, 0, SRCCOPY);
}

bool TcxCustomProgressBar::AnimationWanted()
{
    TcxProgressBarProperties* p = Properties();
    if (!(IsAnimationStyle(p->BarStyle()) || p->Marquee()) || p->AnimationSpeed() <= 0)
        return false;
    // The glow runs over the filled part only: an empty bar has nothing to animate, and a timer
    // would repaint the same picture many times a second while the window waits at 0 %.
    return p->Marquee() || SegmentEnd() > SegmentStart();
}

int TcxCustomProgressBar::SegmentStart()
{
    if (Properties()->Orientation() == cxorHorizontal)
        return 0;
    double v = Properties()->Marquee() ? Properties()->Max() : m_position - Properties()->Min();
    return Height() - ValueExtent(v, Height());
}

int TcxCustomProgressBar::SegmentEnd()
{
    if (Properties()->Orientation() != cxorHorizontal)
        return Height();
    double v = Properties()->Marquee() ? Properties()->Max() : m_position - Properties()->Min();
    return ValueExtent(v, Width());
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
    unsigned delay = Properties()->AnimationRestartDelay();
    if (delay == 0) {
        if (m_pauseTimer)
            m_pauseTimer->SetEnabled(false);
        return;
    }
    // One timer for every pause of the bar's life; the first tick of a pause ends it.
    if (!m_pauseTimer) {
        m_pauseTimer = std::make_unique<TcxTimer>(nullptr);
        m_pauseTimer->SetEnabled(false);
        m_pauseTimer->SetOnTimer([this](TObject*) { m_pauseTimer->SetEnabled(false); });
    }
    // A pause started anew counts its whole delay again.
    m_pauseTimer->SetEnabled(false);
    m_pauseTimer->SetInterval(delay);
    m_pauseTimer->SetEnabled(true);
}

void TcxCustomProgressBar::StepSegment()
{
    if (m_pauseTimer && m_pauseTimer->Enabled())
        return;
    m_segmentOffset += 2 * Properties()->AnimationSpeed() * m_segmentDirection;
    if (Properties()->AnimationPath() == cxapCycle) {
        if (m_segmentOffset > SegmentEnd() + kSegmentHalf ||
            m_segmentOffset < SegmentStart() - kSegmentHalf) {
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

bool TcxCustomProgressBar::AnimationDue()
{
    return AnimationWanted() && !(m_stepTimer && m_stepTimer->Enabled());
}

void TcxCustomProgressBar::StartAnimation()
{
    StopAnimation();
    if (!AnimationWanted())
        return;
    // One step timer for the bar's life: each start of the animation runs the same one again.
    if (!m_stepTimer) {
        m_stepTimer = std::make_unique<TcxTimer>(nullptr);
        m_stepTimer->SetEnabled(false);
        m_stepTimer->SetInterval(kStepInterval);
        m_stepTimer->SetOnTimer([this](TObject*) {
            if (!AnimationWanted()) {
                // The next layout, or the next filled pixels, start the animation again.
                m_stepTimer->SetEnabled(false);
                m_animating = false;
                return;
            }
            ShowNextFrame();
        });
    }
    m_animating = true;
    m_stepTimer->SetEnabled(true);
    ResetSegment();
}

void TcxCustomProgressBar::StopAnimation()
{
    m_animating = false;
    if (m_stepTimer)
        m_stepTimer->SetEnabled(false);
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

// The segment is lightened most in its middle ten pixels and not at all at its ends, with a
// wider glow along the light band (the top rows, or the left columns of a vertical bar).
void TcxCustomProgressBar::PaintSegmentGlow(HDC dc, const RECT& seg, const RECT& filled)
{
    const bool horizontal = Properties()->Orientation() == cxorHorizontal;
    const TColor fallback = ColorToRGB(Properties()->BeginColor());
    // Along the bar a and across it c: (a, c) is (x, y) on a horizontal bar, (y, x) on a
    // vertical one.
    auto pixel = [&](int a, int c) {
        COLORREF v = horizontal ? GetPixel(dc, a, c) : GetPixel(dc, c, a);
        return v;
    };
    auto rect = [&](int a0, int c0, int a1, int c1) {
        return horizontal ? RECT{a0, c0, a1, c1} : RECT{c0, a0, c1, a1};
    };
    const int segStart = horizontal ? seg.left : seg.top, segEnd = horizontal ? seg.right : seg.bottom;
    const int across = horizontal ? seg.top : seg.left, acrossEnd = horizontal ? seg.bottom : seg.right;
    const int h = (segEnd - segStart) / 2;
    for (int c = across; c < across + 6 && c < acrossEnd; ++c) {
        COLORREF base = horizontal ? pixel(filled.left + 1, c) : pixel(filled.bottom - 2, c);
        TColor b = base == CLR_INVALID ? fallback : base;
        TColor g = LightenColor(b, 60);
        FillRectGradient(dc, rect(segStart - h, c, segStart + h - 5, c + 1), b, horizontal, g);
        FillRectSolid(dc, rect(segStart + h - 5, c, segStart + h + 5, c + 1), g);
        FillRectGradient(dc, rect(segStart + h + 5, c, segEnd + h, c + 1), g, horizontal, b);
    }
    SaveDCGuard saved(dc);
    IntersectClipRect(dc, seg.left, seg.top, seg.right, seg.bottom);
    for (int a = segStart; a <= segEnd; ++a) {
        int d = 0;
        if (a < segStart + h - 5)
            d = segStart + h - 5 - a;
        else if (a > segStart + h + 5)
            d = a - segStart - h - 5;
        int percent = 60 + d * 40 / std::max(h - 5, 1);
        COLORREF c = pixel(a, across + 6);
        if (c == CLR_INVALID)
            continue;
        FillRectSolid(dc, rect(a, across + 6, a + 1, acrossEnd), LightenColor(c, percent));
    }
}

namespace {

bool HasArea(const RECT& r)
{
    return r.right > r.left && r.bottom > r.top;
}

RECT Union(const RECT& a, const RECT& b)
{
    if (!HasArea(a))
        return b;
    if (!HasArea(b))
        return a;
    RECT u;
    UnionRect(&u, &a, &b);
    return u;
}

} // namespace

bool TcxCustomProgressBar::Themed()
{
    return Style()->LookAndFeel()->NativeStyle() && VisualStylesActive(ThemedTypes({totProgress})) &&
           ThemeHandleFor(totProgress) != nullptr;
}

void TcxCustomProgressBar::PaintFrame(HDC dc)
{
    if (!Themed()) {
        TcxCustomEdit::PaintFrame(dc);
        return;
    }
    // The theme's track (horizontal or vertical) over what lies behind the control.
    PaintParentBackground(dc);
    RECT all{0, 0, Width(), Height()};
    ThemeApi().DrawThemeBackground(ThemeHandleFor(totProgress), dc,
                                   Properties()->Orientation() == cxorVertical ? 2 : 1, 1, &all, nullptr);
}

void TcxCustomProgressBar::PaintFill(HDC dc, const RECT& f)
{
    TcxProgressBarProperties* p = Properties();
    const bool vertical = p->Orientation() == cxorVertical;
    switch (p->BarStyle()) {
    case cxbsSolid:
    case cxbsLEDs:
        if (Themed()) {
            // The theme's chunk drawn once, one pixel along the bar, and stretched over the
            // filled part: one smooth bar, not the theme's row of blocks.
            const int w = vertical ? m_filledArea.right - m_filledArea.left : 1;
            const int h = vertical ? 1 : m_filledArea.bottom - m_filledArea.top;
            if (w <= 0 || h <= 0 || !HasArea(m_filledArea))
                break;
            TcxBitmap chunk(w, h, 32);
            // What the chunk is drawn over: the track at the start of the filled part.
            BitBlt(chunk.DC(), 0, 0, w, h, dc, m_filledArea.left,
                   vertical ? m_filledArea.bottom - 1 : m_filledArea.top, SRCCOPY);
            RECT one{0, 0, w, h};
            ThemeApi().DrawThemeBackground(ThemeHandleFor(totProgress), chunk.DC(), vertical ? 4 : 3, 1, &one,
                                           nullptr);
            StretchBlt(dc, m_filledArea.left, m_filledArea.top, m_filledArea.right - m_filledArea.left,
                       m_filledArea.bottom - m_filledArea.top, chunk.DC(), 0, 0, w, h, SRCCOPY);
            break;
        }
        FillRectSolid(dc, m_filledArea, p->BeginColor());
        if (m_overloadShown)
            FillRectSolid(dc, m_overloadArea, p->OverloadBeginColor());
        break;
    case cxbsGradient:
    case cxbsGradientLEDs:
        if (vertical)
            FillRectGradient(dc, m_barArea, p->EndColor(), false, p->BeginColor());
        else
            FillRectGradient(dc, m_barArea, p->BeginColor(), true, p->EndColor());
        if (m_overloadShown) {
            if (vertical)
                FillRectGradient(dc, {m_barArea.left, m_barArea.top, m_barArea.right, m_overloadArea.bottom},
                                 p->OverloadEndColor(), false, p->OverloadBeginColor());
            else
                FillRectGradient(dc,
                                 {m_overloadArea.left, m_barArea.top, m_barArea.right, m_overloadArea.bottom},
                                 p->OverloadBeginColor(), true, p->OverloadEndColor());
        }
        break;
    case cxbsBitmap:
    case cxbsBitmapLEDs:
        if (m_imageCopy) {
            UniqueBrush brush(CreatePatternBrush(m_imageCopy->Handle()));
            POINT org{};
            GetWindowOrgEx(dc, &org);
            SetBrushOrgEx(dc, -org.x, -org.y, nullptr);
            FillRect(dc, &f, brush.get());
        }
        break;
    case cxbsAnimation:
    case cxbsAnimationLEDs: PaintGlossy(dc, f, p->BeginColor(), TcxGlossyKind::Bar, vertical); break;
    }
    bool leds = (p->BarStyle() & 1) != 0;
    if (!leds && p->BarStyle() < cxbsBitmap && p->BarBevelOuter() != cxbvNone) {
        RECT r = f;
        DrawEdge(dc, &r, p->BarBevelOuter() == cxbvLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
}

void TcxCustomProgressBar::PaintLedBevels(HDC dc, const RECT& f)
{
    TcxProgressBarProperties* p = Properties();
    if (!(p->BarStyle() & 1) || p->BarBevelOuter() == cxbvNone)
        return;
    UINT edge = p->BarBevelOuter() == cxbvLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER;
    int led = LedSize();
    auto bevel = [&](RECT r) {
        if (HasArea(r))
            DrawEdge(dc, &r, edge, BF_RECT);
    };
    if (p->Orientation() == cxorHorizontal) {
        int count = (f.right - f.left) / led;
        for (int i = 0; i < count; ++i)
            bevel({f.left + i * led, f.top, f.left + (i + 1) * led - 2, f.bottom});
        bevel({f.left + count * led, f.top, f.right, f.bottom});
    } else {
        int count = (f.bottom - f.top) / led;
        for (int i = 0; i < count; ++i)
            bevel({f.left, f.bottom - (i + 1) * led + 2, f.right, f.bottom - i * led});
        bevel({f.left, f.top, f.right, f.bottom - count * led});
    }
}

RECT TcxCustomProgressBar::TextRect()
{
    std::wstring text = ProgressText();
    HFONT font = Style()->Font()->Handle();
    if (text != m_measuredText || font != m_measuredFont) {
        HDC dc = MeasureDC();
        SelectGuard sel(dc, font);
        m_measuredSize = {};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &m_measuredSize);
        m_measuredText = text;
        m_measuredFont = font;
    }
    SIZE size = m_measuredSize;
    if (Properties()->TextOrientation() == cxorVertical)
        std::swap(size.cx, size.cy);
    RECT r;
    r.left = m_barArea.left + (m_barArea.right - m_barArea.left - size.cx) / 2;
    r.top = m_barArea.top + (m_barArea.bottom - m_barArea.top - size.cy) / 2;
    r.right = r.left + size.cx;
    r.bottom = r.top + size.cy;
    return r;
}

void TcxCustomProgressBar::PaintText(HDC dc)
{
    TcxProgressBarProperties* p = Properties();
    if (!p->ShowText())
        return;
    std::wstring text = ProgressText();
    if (text.empty())
        return;
    TCanvas& canvas = m_textCanvas;
    canvas.SetHandle(dc);
    {
        TcxCanvas cx(&canvas);
        HFONT font = Style()->Font()->Handle();
        if (font != m_textCanvasFont) {
            cx.Font().Assign(Style()->Font());
            m_textCanvasFont = font;
        }
        canvas.Brush().SetStyle(TBrushStyle::bsClear);
        // The standard painter draws the text in two colours: each glyph pixel the inverse of
        // what lies below it, so the text reads over the filled part and the track alike.
        TcxStandardLookAndFeelPainter::Instance()->PaintProgressText(cx, p->TextOrientation() == cxorVertical,
                                                                     CurrentStyle()->TextColor(),
                                                                     p->SolidTextColor(), text, TextRect());
    }
    canvas.SetHandle(nullptr);
}

void TcxCustomProgressBar::PaintContent(HDC dc)
{
    TcxProgressBarProperties* props = Properties();
    bool vertical = props->Orientation() == cxorVertical;
    if (!HasArea(m_barArea))
        return;
    bool animated = IsAnimationStyle(props->BarStyle());
    bool themed = Themed();
    // A transparent bar keeps what lies behind it (painted with the frame) as its track.
    if (animated && !themed && !IsTransparent())
        PaintGlossy(dc, m_barArea, m_viewInfo.backgroundColor, TcxGlossyKind::Background, vertical);
    RECT f = Union(m_filledArea, m_overloadShown ? m_overloadArea : RECT{});
    if (props->Marquee()) {
        RECT segment = CurrentSegment(), cut;
        f = IntersectRect(&cut, &f, &segment) ? cut : RECT{};
    }
    // A paint that covers the whole bar gives the frames of a running animation their base.
    RECT clipBox{}, barInClip{};
    const bool keepFrames = FramesWanted() && GetClipBox(dc, &clipBox) != ERROR &&
                            IntersectRect(&barInClip, &clipBox, &m_barArea) &&
                            EqualRect(&barInClip, &m_barArea);
    DropFrames();
    if (HasArea(f)) {
        SaveDCGuard saved(dc);
        ClipToFill(dc, f);
        PaintFill(dc, f);
        if (keepFrames)
            KeepFrameBase(dc, f);
        if (FramesWanted())
            PaintSegmentGlow(dc, CurrentSegment(), f);
        PaintLedBevels(dc, f);
    } else if (keepFrames) {
        KeepFrameBase(dc, f);
    }
    if (m_peakShown && !animated && HasArea(m_peakMark))
        FillRectSolid(dc, m_peakMark, props->PeakColor());
    PaintText(dc);
}

// The fill is clipped to its rectangle, to the rounded corners inside the theme's track and
// to the cells of the LED styles (every full cell ends in a 2-pixel gap). The region is made
// once per layout, in the control's coordinates: cutting the gaps out of the clip one by one
// at every paint cost more than the fill.
void TcxCustomProgressBar::ClipToFill(HDC dc, const RECT& f)
{
    TcxProgressBarProperties* props = Properties();
    const bool vertical = props->Orientation() == cxorVertical;
    const bool round = Themed() && IsAnimationStyle(props->BarStyle());
    const int led = (props->BarStyle() & 1) ? LedSize() : 0;
    const FillClipKey key{f, m_barArea, led, vertical, round};
    if (!m_fillClip || !(key == m_fillClipKey)) {
        m_fillClip.reset(CreateRectRgnIndirect(&f));
        if (round) {
            UniqueRegion corners(CreateRoundRectRgn(m_barArea.left, m_barArea.top, m_barArea.right + 1,
                                                    m_barArea.bottom + 1, 2, 2));
            CombineRgn(m_fillClip.get(), m_fillClip.get(), corners.get(), RGN_AND);
        }
        auto cut = [&](const RECT& gap) {
            UniqueRegion g(CreateRectRgnIndirect(&gap));
            CombineRgn(m_fillClip.get(), m_fillClip.get(), g.get(), RGN_DIFF);
        };
        if (led > 0 && !vertical)
            for (int i = 1; i <= (f.right - f.left) / led; ++i)
                cut({f.left + i * led - 2, f.top, f.left + i * led, f.bottom});
        else if (led > 0)
            for (int i = 1; i <= (f.bottom - f.top) / led; ++i)
                cut({f.left, f.bottom - i * led, f.right, f.bottom - i * led + 2});
        m_fillClipKey = key;
    }
    // A clip region is given in device units.
    POINT origin{0, 0};
    LPtoDP(dc, &origin, 1);
    UniqueRegion clip(CreateRectRgn(0, 0, 0, 0));
    CombineRgn(clip.get(), m_fillClip.get(), nullptr, RGN_COPY);
    OffsetRgn(clip.get(), origin.x, origin.y);
    ExtSelectClipRgn(dc, clip.get(), RGN_AND);
}

bool TcxCustomProgressBar::FramesWanted()
{
    return m_animating && IsAnimationStyle(Properties()->BarStyle()) && !Properties()->Marquee();
}

void TcxCustomProgressBar::DropFrames() noexcept
{
    m_frames.clear();
    m_framePixels = 0;
    m_frameKeyKept = false;
}

void TcxCustomProgressBar::KeepFrameKey()
{
    TcxProgressBarProperties* p = Properties();
    m_frameKey = {m_barArea,
                  m_filledArea,
                  Style()->Font()->Handle(),
                  ColorToRGB(CurrentStyle()->TextColor()),
                  m_position,
                  p->Min(),
                  p->Max(),
                  static_cast<int>(p->ShowTextStyle()),
                  p->ShowText(),
                  p->Marquee(),
                  p->Text()};
    m_frameKeyKept = true;
}

bool TcxCustomProgressBar::FrameKeyMatches()
{
    if (!m_frameKeyKept)
        return false;
    TcxProgressBarProperties* p = Properties();
    const FrameKeyValues& k = m_frameKey;
    return EqualRect(&k.bar, &m_barArea) && EqualRect(&k.filled, &m_filledArea) &&
           k.font == Style()->Font()->Handle() && k.textColor == ColorToRGB(CurrentStyle()->TextColor()) &&
           k.position == m_position && k.min == p->Min() && k.max == p->Max() &&
           k.textStyle == static_cast<int>(p->ShowTextStyle()) && k.showText == p->ShowText() &&
           k.marquee == p->Marquee() && k.text == p->Text();
}

// Called by a full paint with the fill painted and nothing over it yet: the bar area becomes
// the base of every frame.
void TcxCustomProgressBar::KeepFrameBase(HDC dc, const RECT& f)
{
    const int w = m_barArea.right - m_barArea.left, h = m_barArea.bottom - m_barArea.top;
    if (w <= 0 || h <= 0)
        return;
    if (!m_frameBase || m_frameBase->Width() != w || m_frameBase->Height() != h)
        m_frameBase = std::make_unique<TcxBitmap>(w, h, 32);
    BitBlt(m_frameBase->DC(), 0, 0, w, h, dc, m_barArea.left, m_barArea.top, SRCCOPY);
    m_frameFill = f;
    KeepFrameKey();
}

// The frame of the current segment offset, made from the base the first time it is shown: the
// glow, the LED bevels and the text painted as a full paint paints them. Kept bottom-up, as
// the rows of a device-independent bitmap are stored.
const std::vector<std::uint32_t>* TcxCustomProgressBar::CurrentFrame()
{
    if (!FramesWanted() || !FrameKeyMatches())
        return nullptr;
    if (auto it = m_frames.find(m_segmentOffset); it != m_frames.end())
        return &it->second;
    const int w = m_frameBase->Width(), h = m_frameBase->Height();
    if (!m_frameScratch || m_frameScratch->Width() != w || m_frameScratch->Height() != h)
        m_frameScratch = std::make_unique<TcxBitmap>(w, h, 32);
    HDC dc = m_frameScratch->DC();
    BitBlt(dc, 0, 0, w, h, m_frameBase->DC(), 0, 0, SRCCOPY);
    {
        SaveDCGuard saved(dc);
        SetWindowOrgEx(dc, m_barArea.left, m_barArea.top, nullptr);
        if (HasArea(m_frameFill)) {
            SaveDCGuard clipped(dc);
            ClipToFill(dc, m_frameFill);
            PaintSegmentGlow(dc, CurrentSegment(), m_frameFill);
            PaintLedBevels(dc, m_frameFill);
        }
        PaintText(dc);
    }
    GdiFlush();
    // Frames are kept up to a bound on their memory; past it the collection starts over.
    constexpr size_t kFramePixelBudget = size_t{1} << 21;
    const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
    if (m_framePixels + pixels > kFramePixelBudget) {
        m_frames.clear();
        m_framePixels = 0;
    }
    std::vector<std::uint32_t>& frame = m_frames[m_segmentOffset];
    frame.resize(pixels);
    const auto* top = static_cast<const std::uint32_t*>(m_frameScratch->Bits());
    for (int y = 0; y < h; ++y)
        std::copy_n(top + static_cast<size_t>(h - 1 - y) * w, w, frame.data() + static_cast<size_t>(y) * w);
    m_framePixels += pixels;
    return &frame;
}

void TcxCustomProgressBar::ShowNextFrame()
{
    StepSegment();
    if (!HandleAllocated() || !IsWindowVisible(Handle()))
        return;
    if (const std::vector<std::uint32_t>* frame = CurrentFrame()) {
        const int w = m_barArea.right - m_barArea.left, h = m_barArea.bottom - m_barArea.top;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        if (!m_screenDC)
            m_screenDC = GetDC(Handle());
        SetDIBitsToDevice(m_screenDC, m_barArea.left, m_barArea.top, static_cast<DWORD>(w),
                          static_cast<DWORD>(h), 0, 0, 0, static_cast<UINT>(h), frame->data(), &bi,
                          DIB_RGB_COLORS);
        return;
    }
    InvalidateRect(Handle(), &m_barArea, FALSE);
    UpdateWindow(Handle());
}

// Each bar keeps a device context of its own, so that an animation tick draws without getting
// and releasing one (which cost several times the tick's copy). Its paint and print paths leave
// no state in it: a paint copies the finished picture with one blit.
void TcxCustomProgressBar::CreateParams(TCreateParams& params)
{
    TcxCustomEdit::CreateParams(params);
    params.classStyle |= CS_OWNDC;
}

// The kept context goes with its window: when the bar lets go of the window itself (no message
// reaches the bar then), or when the window goes with its parent.
void TcxCustomProgressBar::HandleDestroying()
{
    m_screenDC = nullptr;
    TcxCustomEdit::HandleDestroying();
}

LRESULT TcxCustomProgressBar::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_DESTROY: m_screenDC = nullptr; break;
    // A screen reader reads the bar as its text ("42 %") and asks its value and range the way
    // it asks the platform's own progress bar.
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(ProgressText().size());
    case WM_GETTEXT: return CopyWindowText(ProgressText(), wParam, lParam);
    case PBM_GETPOS: return static_cast<LRESULT>(std::lround(m_position));
    case PBM_GETRANGE: {
        auto low = static_cast<int>(std::lround(Properties()->Min()));
        auto high = static_cast<int>(std::lround(Properties()->Max()));
        if (auto* range = reinterpret_cast<PBRANGE*>(lParam)) {
            range->iLow = low;
            range->iHigh = high;
        }
        return wParam ? low : high;
    }
    default: break;
    }
    return TcxCustomEdit::WndProc(msg, wParam, lParam);
}
