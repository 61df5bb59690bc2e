#include "cxTextEdit.h"

#include <windowsx.h>

// ---- TcxLookupItems ----------------------------------------------------------------------------

const TClassInfo* TcxLookupItems::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TStrings", nullptr);
        ci.Add({L"Strings",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    if (v.kind == TValue::Kind::String)
                        static_cast<TcxLookupItems&>(o).SetLines({v.text});
                    else if (v.kind == TValue::Kind::List)
                        static_cast<TcxLookupItems&>(o).SetLines(v.names);
                    else
                        throw EReadError(L"Invalid property value " + v.ToText() + L" for Strings");
                },
                [](const TPersistent& o) {
                    TValue v;
                    v.kind = TValue::Kind::List;
                    v.names = static_cast<const TcxLookupItems&>(o).Lines();
                    return v;
                },
                {},
                {}});
        return ci;
    }();
    return &info;
}

void TcxLookupItems::Assign(const TPersistent* source)
{
    if (auto* other = dynamic_cast<const TcxLookupItems*>(source)) {
        SetLines(other->m_lines);
        return;
    }
    TPersistent::Assign(source);
}

void TcxLookupItems::SetLines(std::vector<std::wstring> lines)
{
    m_lines = std::move(lines);
    if (m_sorted)
        Sort();
    Changed();
}

void TcxLookupItems::Add(const std::wstring& line)
{
    m_lines.push_back(line);
    if (m_sorted)
        Sort();
    Changed();
}

void TcxLookupItems::SetSorted(bool v)
{
    if (v == m_sorted)
        return;
    m_sorted = v;
    if (v)
        Sort();
    Changed();
}

void TcxLookupItems::Sort()
{
    std::stable_sort(m_lines.begin(), m_lines.end(), [](const std::wstring& a, const std::wstring& b) {
        return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()),
                              b.c_str(), static_cast<int>(b.size())) == CSTR_LESS_THAN;
    });
}

// ---- TcxTextEditProperties ---------------------------------------------------------------------

int TcxTextEditProperties::FindLookupItem(const std::wstring& text, bool whole) const
{
    DWORD flags = m_caseInsensitive ? NORM_IGNORECASE : 0;
    const auto& lines = m_lookupItems.Lines();
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::wstring& line = lines[i];
        if (line.size() < text.size() || (whole && line.size() != text.size()))
            continue;
        if (CompareStringW(LOCALE_USER_DEFAULT, flags, line.c_str(), static_cast<int>(text.size()),
                           text.c_str(), static_cast<int>(text.size())) == CSTR_EQUAL)
            return static_cast<int>(i);
    }
    return -1;
}

const TEnumNames kImeModeNames{
    {L"imDisable", imDisable},   {L"imClose", imClose},       {L"imOpen", imOpen},
    {L"imDontCare", imDontCare}, {L"imSAlpha", imSAlpha},     {L"imAlpha", imAlpha},
    {L"imHira", imHira},         {L"imSKata", imSKata},       {L"imKata", imKata},
    {L"imChinese", imChinese},   {L"imSHanguel", imSHanguel}, {L"imHanguel", imHanguel}};

const TClassInfo* TcxTextEditProperties::StaticProperties()
{
    static const TClassInfo info = [] {
        using P = TcxTextEditProperties;
        TClassInfo ci(L"TcxTextEditProperties", TcxCustomEditProperties::StaticProperties());
        ci.AddEnum<P, TEditCharCase>(
            L"CharCase",
            {{L"ecNormal", ecNormal}, {L"ecUpperCase", ecUpperCase}, {L"ecLowerCase", ecLowerCase}},
            &P::SetCharCase, &P::CharCase);
        ci.AddEnum<P, TcxEditEchoMode>(L"EchoMode",
                                       {{L"eemNormal", eemNormal}, {L"eemPassword", eemPassword}},
                                       &P::SetEchoMode, &P::EchoMode);
        ci.AddBool<P>(L"HideSelection", &P::SetHideSelection, &P::HideSelection);
        // Stored by name or by number.
        ci.Add({L"ImeMode",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    int mode = v.kind == TValue::Kind::Ident ? ValueToEnum(v, kImeModeNames) : ValueToInt(v);
                    if (mode < imDisable || mode > imHanguel)
                        ValueToEnum(v, kImeModeNames); // reports the value as not one of the modes
                    static_cast<P&>(o).SetImeMode(static_cast<TImeMode>(mode));
                },
                [](const TPersistent& o) {
                    return TValue::Id(kImeModeNames[static_cast<const P&>(o).ImeMode()].first);
                },
                {},
                {}});
        ci.AddString<P>(L"ImeName", &P::SetImeName, &P::ImeName);
        ci.AddBool<P>(L"IncrementalSearch", &P::SetIncrementalSearch, &P::IncrementalSearch);
        ci.AddBool<P>(L"CaseInsensitive", &P::SetCaseInsensitive, &P::CaseInsensitive);
        ci.AddBool<P>(L"HideCursor", &P::SetHideCursor, &P::HideCursor);
        ci.AddObject<P, TcxLookupItems>(L"LookupItems", &P::LookupItems);
        ci.AddBool<P>(L"LookupItemsSorted", &P::SetLookupItemsSorted, &P::LookupItemsSorted);
        ci.AddEvent<P, TcxNewLookupDisplayTextEvent>(L"OnNewLookupDisplayText", &P::OnNewLookupDisplayText);
        // The text kinds add the formats to the assigned values; the length is not stored there.
        ci.AddSet<P, unsigned>(L"AssignedValues",
                               {{L"evsReadOnly", epvReadOnly},
                                {L"evsMinValue", epvMinValue},
                                {L"evsMaxValue", epvMaxValue},
                                {L"evsDisplayFormat", epvDisplayFormat},
                                {L"evsEditFormat", epvEditFormat}},
                               &P::SetAssignedValues, &P::AssignedValues);
        // Older descriptions kept whether a display format was set as a boolean of its own; it
        // reads and sets that flag among the assigned values.
        ci.Add({L"IsDisplayFormatAssigned",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    auto& p = static_cast<P&>(o);
                    const unsigned flags = p.AssignedValues();
                    p.SetAssignedValues(ValueToBool(v) ? flags | epvDisplayFormat
                                                       : flags & ~epvDisplayFormat);
                },
                [](const TPersistent& o) {
                    const bool set = (static_cast<const P&>(o).AssignedValues() & epvDisplayFormat) != 0;
                    return TValue::Id(set ? L"True" : L"False");
                },
                {},
                {}});
        ci.AddInt<P>(L"MaxLength", &P::SetMaxLength, &P::MaxLength);
        ci.AddBool<P>(L"OEMConvert", &P::SetOEMConvert, &P::OEMConvert);
        // Stored as the character's code or as a one-character text.
        ci.Add({L"PasswordChar",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    wchar_t c = v.kind == TValue::Kind::String ? (v.text.empty() ? 0 : v.text[0])
                                                               : static_cast<wchar_t>(ValueToInt(v));
                    static_cast<P&>(o).SetPasswordChar(c);
                },
                [](const TPersistent& o) { return TValue::Int(static_cast<const P&>(o).PasswordChar()); },
                {},
                {}});
        return ci;
    }();
    return &info;
}

void TcxTextEditProperties::Assign(const TPersistent* source)
{
    auto* p = dynamic_cast<const TcxTextEditProperties*>(source);
    if (!p) {
        TcxCustomEditProperties::Assign(source);
        return;
    }
    LockUpdate();
    try {
        TcxCustomEditProperties::Assign(source);
        m_charCase = p->m_charCase;
        m_echoMode = p->m_echoMode;
        m_hideSelection = p->m_hideSelection;
        m_incrementalSearch = p->m_incrementalSearch;
        // The formats and the length only where the source set them.
        SetAssigned(epvDisplayFormat | epvEditFormat | epvMaxLength, false);
        if (p->AssignedValues() & epvDisplayFormat)
            SetDisplayFormat(p->m_displayFormat);
        if (p->AssignedValues() & epvEditFormat)
            SetEditFormat(p->m_editFormat);
        if (p->IsMaxLengthAssigned())
            SetMaxLength(p->m_maxLength);
        m_oemConvert = p->m_oemConvert;
        m_imeMode = p->m_imeMode;
        m_imeName = p->m_imeName;
        m_passwordChar = p->m_passwordChar;
        m_caseInsensitive = p->m_caseInsensitive;
        m_hideCursor = p->m_hideCursor;
        // The lines unsorted first, then the source's sorting.
        m_lookupItems.SetSorted(false);
        m_lookupItems.Assign(&p->m_lookupItems);
        m_lookupItems.SetSorted(p->m_lookupItems.Sorted());
        OnNewLookupDisplayText = p->OnNewLookupDisplayText;
        MarkChanged();
    } catch (...) {
        UnlockUpdate();
        throw;
    }
    UnlockUpdate();
}

void TcxTextEditProperties::SetMaxLength(int v)
{
    v = std::max(v, 0);
    if (IsMaxLengthAssigned() && v == m_maxLength)
        return;
    m_maxLength = v;
    SetAssigned(epvMaxLength, true);
    MarkChanged();
}

void TcxTextEditProperties::SetAssignedText(std::wstring& field, unsigned flag, const std::wstring& v)
{
    if ((AssignedValues() & flag) && field == v)
        return;
    field = v;
    SetAssigned(flag, true);
    MarkChanged();
}

void TcxTextEditProperties::SetDisplayFormat(const std::wstring& v)
{
    SetAssignedText(m_displayFormat, epvDisplayFormat, v);
}

void TcxTextEditProperties::SetEditFormat(const std::wstring& v)
{
    SetAssignedText(m_editFormat, epvEditFormat, v);
}

std::wstring TcxTextEditProperties::CheckedText(const std::wstring& text) const
{
    std::wstring t = text;
    if (m_charCase == ecUpperCase && !t.empty())
        CharUpperBuffW(t.data(), static_cast<DWORD>(t.size()));
    else if (m_charCase == ecLowerCase && !t.empty())
        CharLowerBuffW(t.data(), static_cast<DWORD>(t.size()));
    return t;
}

// ---- TcxCustomInnerTextEdit --------------------------------------------------------------------

void TcxCustomInnerTextEdit::SetMaxLength(int v)
{
    m_maxLength = std::max(v, 0);
    if (HandleAllocated())
        SendMessageW(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(m_maxLength), 0);
}

void TcxCustomInnerTextEdit::SetStyleSettings(TcxEditEchoMode echo, wchar_t passwordChar,
                                              TEditCharCase charCase, bool hideSelection, bool oemConvert)
{
    bool recreate = echo != m_echoMode || (echo == eemPassword && passwordChar != m_passwordChar) ||
                    charCase != m_charCase || hideSelection != m_hideSelection || oemConvert != m_oemConvert;
    m_echoMode = echo;
    m_passwordChar = passwordChar;
    m_charCase = charCase;
    m_hideSelection = hideSelection;
    m_oemConvert = oemConvert;
    if (recreate && HandleAllocated())
        RecreateKeepingFocus();
}

bool TcxCustomInnerTextEdit::PaintBuffered()
{
    // The part to repaint is taken over before the platform would erase it on the screen;
    // the box then erases and draws its text into a picture of that part, which reaches the
    // screen in one copy: no frame shows the erased box without its text.
    UniqueRegion update(CreateRectRgn(0, 0, 0, 0));
    if (!update.get() || GetUpdateRgn(Handle(), update.get(), FALSE) == ERROR)
        return false;
    RECT r;
    if (GetRgnBox(update.get(), &r) == NULLREGION || IsRectEmpty(&r)) {
        ValidateRect(Handle(), nullptr);
        return true;
    }
    WindowDC screen(Handle());
    UniqueMemoryDC memory(CreateCompatibleDC(screen.get()));
    UniqueBitmap picture(CreateCompatibleBitmap(screen.get(), r.right - r.left, r.bottom - r.top));
    if (!screen.get() || !memory.get() || !picture.get())
        return false; // the platform's own painting then
    ValidateRgn(Handle(), update.get());
    {
        SelectGuard select(memory.get(), picture.get());
        SetViewportOrgEx(memory.get(), -r.left, -r.top, nullptr);
        SendMessageW(Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory.get()), 0);
        SendMessageW(Handle(), WM_PAINT, reinterpret_cast<WPARAM>(memory.get()), 0);
        SaveDCGuard saved(screen.get());
        SelectClipRgn(screen.get(), update.get());
        BitBlt(screen.get(), r.left, r.top, r.right - r.left, r.bottom - r.top, memory.get(), r.left, r.top,
               SRCCOPY);
    }
    return true;
}

HBRUSH TcxCustomInnerTextEdit::SeeThroughBrush(HDC dc)
{
    if (!HandleAllocated() || !m_editor->HandleAllocated())
        return nullptr;
    RECT client;
    GetClientRect(Handle(), &client);
    if (IsRectEmpty(&client))
        return nullptr;
    POINT place{0, 0};
    MapWindowPoints(Handle(), m_editor->Handle(), &place, 1);
    // Made anew for each paint: what lies behind changes with every move and every repaint
    // of the parent, and a transparent editor is rare enough for the picture's cost.
    UniqueMemoryDC memory(CreateCompatibleDC(dc));
    UniqueBitmap picture(CreateCompatibleBitmap(dc, client.right, client.bottom));
    if (!memory.get() || !picture.get())
        return nullptr;
    {
        SelectGuard select(memory.get(), picture.get());
        SetWindowOrgEx(memory.get(), place.x, place.y, nullptr);
        m_editor->PaintWhatLiesBehind(memory.get());
    }
    m_seeThroughBrush.reset(CreatePatternBrush(picture.get()));
    if (!m_seeThroughBrush)
        return nullptr;
    // The pattern starts at the client area's corner, wherever the box paints (on the screen
    // or into its off-screen picture).
    POINT origin{0, 0};
    LPtoDP(dc, &origin, 1);
    SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
    return m_seeThroughBrush.get();
}

void TcxCustomInnerTextEdit::RecreateKeepingFocus()
{
    bool focused = GetFocus() == Handle();
    DWORD start = 0, end = 0;
    SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    // The old box takes the focus with it and the new one gets it back: for the editor
    // that is neither an exit nor an entry.
    m_editor->BeginInnerFocusTransfer();
    try {
        RecreateWnd();
        if (focused)
            ::SetFocus(Handle());
    } catch (...) {
        m_editor->EndInnerFocusTransfer();
        throw;
    }
    m_editor->EndInnerFocusTransfer();
    SendMessageW(Handle(), EM_SETSEL, start, end);
}

void TcxCustomInnerTextEdit::SetAlignment(cxedit::TAlignment v, bool leftWhileEditing)
{
    if (v == m_alignment && leftWhileEditing == m_leftWhileEditing)
        return;
    cxedit::TAlignment oldWindowAlignment = WindowAlignment();
    m_alignment = v;
    m_leftWhileEditing = leftWhileEditing;
    if (!HandleAllocated())
        return;
    if (WindowAlignment() != oldWindowAlignment) {
        RemoveAlignmentMargin();
        RecreateKeepingFocus();
    } else {
        PlaceText(GetFocus() == Handle());
    }
}

void TcxCustomInnerTextEdit::RemoveAlignmentMargin()
{
    if (!HandleAllocated() || m_alignmentMargin == 0)
        return;
    int left = LOWORD(SendMessageW(Handle(), EM_GETMARGINS, 0, 0)) - m_alignmentMargin;
    m_alignmentMargin = 0;
    SendMessageW(Handle(), EM_SETMARGINS, EC_LEFTMARGIN, MAKELPARAM(std::max(left, 0), 0));
}

void TcxCustomInnerTextEdit::PlaceText(bool focused)
{
    if (!HandleAllocated())
        return;
    int margin = 0;
    if (m_leftWhileEditing && !focused && m_alignment != cxedit::TAlignment::taLeftJustify) {
        HWND wnd = Handle();
        int length = GetWindowTextLengthW(wnd);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(wnd, text.data(), length + 1)));
        // A masked box shows its mask character for every character.
        if (m_echoMode == eemPassword)
            text.assign(text.size(), m_passwordChar ? m_passwordChar : L'*');
        SIZE extent{};
        if (HDC dc = GetDC(wnd)) {
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(wnd, WM_GETFONT, 0, 0)));
            GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
            SelectObject(dc, old);
            ReleaseDC(wnd, dc);
        }
        RECT client{};
        GetClientRect(wnd, &client);
        DWORD margins = static_cast<DWORD>(SendMessageW(wnd, EM_GETMARGINS, 0, 0));
        int ownLeft = LOWORD(margins) - m_alignmentMargin;
        // One pixel stays free for the caret, as in a right-aligned box.
        int room = client.right - ownLeft - HIWORD(margins) - extent.cx - 1;
        if (room > 0)
            margin = m_alignment == cxedit::TAlignment::taCenter ? room / 2 : room;
    }
    if (margin == m_alignmentMargin)
        return;
    RemoveAlignmentMargin();
    int left = LOWORD(SendMessageW(Handle(), EM_GETMARGINS, 0, 0)) + margin;
    m_alignmentMargin = margin;
    SendMessageW(Handle(), EM_SETMARGINS, EC_LEFTMARGIN, MAKELPARAM(left, 0));
    InvalidateRect(Handle(), nullptr, TRUE);
}

void TcxCustomInnerTextEdit::SetIme(TImeMode mode, const std::wstring& name)
{
    if (mode == m_imeMode && name == m_imeName)
        return;
    m_imeMode = mode;
    m_imeName = name;
    if (HandleAllocated() && GetFocus() == Handle())
        ApplyIme();
}

namespace {

// The conversion mode of each mode that opens the input method in one.
DWORD ImeConversion(TImeMode mode)
{
    switch (mode) {
    case imSAlpha: return IME_CMODE_ALPHANUMERIC;
    case imAlpha: return IME_CMODE_ALPHANUMERIC | IME_CMODE_FULLSHAPE;
    case imHira: return IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE;
    case imSKata: return IME_CMODE_NATIVE | IME_CMODE_KATAKANA;
    case imKata: return IME_CMODE_NATIVE | IME_CMODE_KATAKANA | IME_CMODE_FULLSHAPE;
    case imChinese: return IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE;
    case imSHanguel: return IME_CMODE_NATIVE;
    case imHanguel: return IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE;
    default: return 0;
    }
}

// The keyboard layout of the input method with that name, or null.
HKL FindInputMethod(const std::wstring& name)
{
    int count = GetKeyboardLayoutList(0, nullptr);
    std::vector<HKL> layouts(static_cast<size_t>(std::max(count, 0)));
    count = GetKeyboardLayoutList(count, layouts.data());
    for (int i = 0; i < count; ++i) {
        HKL layout = layouts[static_cast<size_t>(i)];
        wchar_t description[256] = {};
        if (ImmIsIME(layout) && ImmGetDescriptionW(layout, description, 255) > 0 && name == description)
            return layout;
    }
    return nullptr;
}

} // namespace

void TcxCustomInnerTextEdit::ApplyIme()
{
    if (!HandleAllocated())
        return;
    HWND wnd = Handle();
    if (m_imeMode == imDisable) {
        if (!m_contextTaken) {
            m_savedContext = ImmAssociateContext(wnd, nullptr);
            m_contextTaken = true;
        }
        return;
    }
    if (m_contextTaken) {
        ImmAssociateContext(wnd, m_savedContext);
        m_contextTaken = false;
        m_savedContext = nullptr;
    }
    if (!m_imeName.empty())
        if (HKL layout = FindInputMethod(m_imeName))
            ActivateKeyboardLayout(layout, 0);
    if (m_imeMode == imDontCare)
        return;
    HIMC context = ImmGetContext(wnd);
    if (!context)
        return;
    if (m_imeMode == imClose) {
        ImmSetOpenStatus(context, FALSE);
    } else {
        ImmSetOpenStatus(context, TRUE);
        if (m_imeMode != imOpen) {
            DWORD conversion = 0, sentence = 0;
            ImmGetConversionStatus(context, &conversion, &sentence);
            ImmSetConversionStatus(context, ImeConversion(m_imeMode), sentence);
        }
    }
    ImmReleaseContext(wnd, context);
}

void TcxCustomInnerTextEdit::CreateParams(TCreateParams& params)
{
    TNativeEdit::CreateParams(params);
    params.style &= ~(ES_CENTER | ES_RIGHT);
    if (WindowAlignment() == cxedit::TAlignment::taRightJustify)
        params.style |= ES_RIGHT;
    else if (WindowAlignment() == cxedit::TAlignment::taCenter)
        params.style |= ES_CENTER;
    // The edit box masks the text where it shows it; its text and the editor's value stay
    // the real text.
    if (m_echoMode == eemPassword)
        params.style |= ES_PASSWORD;
    if (m_charCase == ecUpperCase)
        params.style |= ES_UPPERCASE;
    else if (m_charCase == ecLowerCase)
        params.style |= ES_LOWERCASE;
    if (!m_hideSelection)
        params.style |= ES_NOHIDESEL;
    if (m_oemConvert)
        params.style |= ES_OEMCONVERT;
}

void TcxCustomInnerTextEdit::HandleCreated()
{
    TNativeEdit::HandleCreated();
    SendMessageW(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(m_maxLength), 0);
    m_alignmentMargin = 0;
    PlaceText(GetFocus() == Handle());
    // A new window starts with the thread's input context again.
    m_contextTaken = false;
    m_savedContext = nullptr;
    if (m_imeMode == imDisable)
        ApplyIme();
    if (m_echoMode == eemPassword)
        SendMessageW(Handle(), EM_SETPASSWORDCHAR, m_passwordChar ? m_passwordChar : L'*', 0);
}

LRESULT TcxCustomInnerTextEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    // The focus arrives before a click places the caret: the text is where editing wants it
    // by then. A font change may set the box's own margins anew, so the added one goes first.
    if (msg == WM_SETFOCUS)
        PlaceText(true);
    else if (msg == WM_SETFONT)
        RemoveAlignmentMargin();
    else if (msg == WM_PAINT && wParam == 0 && PaintBuffered())
        return 0;
    if ((msg == CN_CTLCOLOREDIT || msg == CN_CTLCOLORSTATIC) && m_editor && m_editor->Transparent()) {
        // The colours as for any box, then the picture behind it instead of the plain fill; the
        // text is drawn over it without a background of its own.
        HDC dc = reinterpret_cast<HDC>(wParam);
        LRESULT plain = TNativeEdit::WndProc(msg, wParam, lParam);
        if (HBRUSH brush = SeeThroughBrush(dc)) {
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(brush);
        }
        return plain;
    }
    LRESULT r = HandleMessage(msg, wParam, lParam);
    switch (msg) {
    case WM_GETDLGCODE:
        // The keys the editor claims for its own key handling are not the form's.
        if (auto* asked = reinterpret_cast<const MSG*>(lParam);
            asked && asked->message == WM_KEYDOWN && m_editor && m_editor->ClaimsDialogKey(asked->wParam))
            r |= DLGC_WANTMESSAGE;
        break;
    case WM_KILLFOCUS: PlaceText(false); break;
    case WM_SETTEXT:
    case WM_SIZE:
    case WM_SETFONT: PlaceText(GetFocus() == Handle()); break;
    default: break;
    }
    return r;
}

LRESULT TcxCustomInnerTextEdit::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!m_passThrough && m_editor) {
        switch (msg) {
        case WM_MOUSEWHEEL:
            // The box itself never scrolls by the wheel: the turn is the editor's.
            return m_editor->HandleAllocated() ? SendMessageW(m_editor->Handle(), msg, wParam, lParam) : 0;
        case WM_PASTE:
        case WM_CUT:
        case WM_CLEAR:
        case WM_UNDO:
        case EM_UNDO: {
            bool allowed = true;
            CallHandler([&] { allowed = m_editor->InnerEditAllowed(msg, wParam); });
            if (!allowed)
                return 0;
            break;
        }
        case WM_IME_CHAR: {
            // A character the input method finished enters the text like a typed one.
            bool allowed = true;
            CallHandler([&] { allowed = m_editor->DoEditing(); });
            if (!allowed)
                return 0;
            break;
        }
        case WM_IME_COMPOSITION:
            if (lParam & GCS_RESULTSTR) {
                bool allowed = true;
                CallHandler([&] { allowed = m_editor->DoEditing(); });
                if (!allowed) {
                    // The composed text is dropped, not left waiting in the input method.
                    if (HIMC context = ImmGetContext(Handle())) {
                        ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_CANCEL, 0);
                        ImmReleaseContext(Handle(), context);
                    }
                    return 0;
                }
            }
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS: {
            LRESULT r = TNativeEdit::WndProc(msg, wParam, lParam);
            if (msg == WM_SETFOCUS) {
                ApplyIme();
                if (m_editor->TextProperties()->HideCursor())
                    ::HideCaret(Handle());
            }
            CallHandler(
                [&] { m_editor->InnerFocusChanged(msg == WM_SETFOCUS, reinterpret_cast<HWND>(wParam)); });
            return r;
        }
        default: break;
        }
    }
    if (msg == WM_CONTEXTMENU && m_editor) {
        // The editor's menu or handler first; the edit box's own menu only when neither
        // takes the request.
        bool handled = false;
        CallHandler([&] {
            handled = m_editor->DoContextPopup({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        });
        if (handled)
            return 0;
    }
    LRESULT r = TNativeEdit::WndProc(msg, wParam, lParam);
    bool mouse = msg == WM_MOUSEMOVE || (msg >= WM_LBUTTONDOWN && msg <= WM_MBUTTONDBLCLK);
    if (mouse && m_editor && m_editor->HandleAllocated() && HandleAllocated()) {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        MapWindowPoints(Handle(), m_editor->Handle(), &p, 1);
        if (msg == WM_MOUSEMOVE)
            m_editor->InnerControlMouseMove(p);
        CallHandler([&] { m_editor->ChildMouseMessage(msg, wParam, p); });
    }
    return r;
}

// ---- TcxCustomTextEdit -------------------------------------------------------------------------

TcxCustomTextEdit::TcxCustomTextEdit(TComponent* owner) : TcxCustomEdit(owner) {}

TcxCustomTextEdit::~TcxCustomTextEdit()
{
    Destroying();
}

void TcxCustomTextEdit::Construct(TcxTextEditProperties* properties)
{
    m_innerEdit = new TcxCustomInnerTextEdit(this, this);
    m_innerEdit->SetTabStop(false);
    m_innerEdit->SetParent(this);
    m_innerEdit->OnChange = [this](TObject*) { InnerTextChanged(); };
    m_innerEdit->OnKey = [this](UINT msg, WPARAM& key) { return InnerKey(msg, key); };
    SetInnerControl(m_innerEdit);
    InitEdit(properties);
}

const TClassInfo* TcxCustomTextEdit::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxCustomTextEdit", TcxCustomEdit::StaticProperties());
        ci.AddBool<TcxCustomTextEdit>(L"BeepOnEnter", &TcxCustomTextEdit::SetBeepOnEnter,
                                      &TcxCustomTextEdit::BeepOnEnter);
        // The editor's own input method settings are its properties'.
        const TPropertyInfo* imeMode = TcxTextEditProperties::StaticProperties()->Find(L"ImeMode");
        ci.Add({L"ImeMode",
                [set = imeMode->set](TPersistent& o, const TValue& v, const TReaderContext* ctx) {
                    set(*static_cast<TcxCustomTextEdit&>(o).TextProperties(), v, ctx);
                },
                [get = imeMode->get](const TPersistent& o) {
                    return get(*const_cast<TcxCustomTextEdit&>(static_cast<const TcxCustomTextEdit&>(o))
                                    .TextProperties());
                },
                {},
                {}});
        ci.Add({L"ImeName",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    if (v.kind != TValue::Kind::String)
                        ValueToInt(v);
                    static_cast<TcxCustomTextEdit&>(o).TextProperties()->SetImeName(v.text);
                },
                [](const TPersistent& o) {
                    return TValue::Str(
                        const_cast<TcxCustomTextEdit&>(static_cast<const TcxCustomTextEdit&>(o))
                            .TextProperties()
                            ->ImeName());
                },
                {},
                {}});
        ci.Add({L"Text",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    if (v.kind != TValue::Kind::String)
                        ValueToInt(v);
                    static_cast<TcxCustomTextEdit&>(o).SetText(v.text);
                },
                [](const TPersistent& o) {
                    return TValue::Str(static_cast<const TcxCustomTextEdit&>(o).Text());
                },
                {},
                {}});
        return ci;
    }();
    return &info;
}

std::wstring TcxCustomTextEdit::Text() const
{
    return m_innerEdit ? m_innerEdit->WindowText() : TcxCustomEdit::Text();
}

void TcxCustomTextEdit::SetText(const std::wstring& value)
{
    std::wstring checked = TextProperties() ? TextProperties()->CheckedText(value) : value;
    if (!TextProperties() || m_constructing) {
        SetDisplayValue(checked);
        return;
    }
    SetEditValue(TcxEditValue::Of(checked));
    // The same text again still replaces the shown one (a user change may differ from it).
    if (DisplayText() != checked)
        SetDisplayValue(checked);
}

std::wstring TcxCustomTextEdit::DisplayText()
{
    return Text();
}

void TcxCustomTextEdit::SetDisplayValue(const std::wstring& text)
{
    bool was = m_internalUpdating;
    m_internalUpdating = true;
    try {
        if (m_innerEdit)
            m_innerEdit->SetText(text);
        TcxCustomEdit::SetText(text);
    } catch (...) {
        m_internalUpdating = was;
        throw;
    }
    m_internalUpdating = was;
}

void TcxCustomTextEdit::InnerTextChanged()
{
    if (m_internalUpdating || m_constructing) {
        ChangeHandler();
        return;
    }
    bool was = m_userChanging;
    m_userChanging = true;
    try {
        ContentChangedByUser(TcxEditValue::Of(Text()));
    } catch (...) {
        m_userChanging = was;
        throw;
    }
    m_userChanging = was;
}

void TcxCustomTextEdit::SelectAll()
{
    if (m_innerEdit)
        m_innerEdit->SelectAll();
}

int TcxCustomTextEdit::SelStart() const
{
    if (!m_innerEdit || !m_innerEdit->HandleAllocated())
        return 0;
    DWORD start = 0, end = 0;
    SendMessageW(m_innerEdit->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(start);
}

int TcxCustomTextEdit::SelLength() const
{
    if (!m_innerEdit || !m_innerEdit->HandleAllocated())
        return 0;
    DWORD start = 0, end = 0;
    SendMessageW(m_innerEdit->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
}

void TcxCustomTextEdit::SetSelStart(int v)
{
    if (m_innerEdit && m_innerEdit->HandleAllocated())
        SendMessageW(m_innerEdit->Handle(), EM_SETSEL, static_cast<WPARAM>(v), static_cast<LPARAM>(v));
}

void TcxCustomTextEdit::SetSelLength(int v)
{
    int start = SelStart();
    if (m_innerEdit && m_innerEdit->HandleAllocated())
        SendMessageW(m_innerEdit->Handle(), EM_SETSEL, static_cast<WPARAM>(start),
                     static_cast<LPARAM>(start + v));
}

std::wstring TcxCustomTextEdit::SelText() const
{
    std::wstring t = Text();
    int start = std::min(SelStart(), static_cast<int>(t.size()));
    return t.substr(static_cast<size_t>(start), static_cast<size_t>(SelLength()));
}

void TcxCustomTextEdit::SetSelText(const std::wstring& v)
{
    if (m_innerEdit && m_innerEdit->HandleAllocated())
        m_innerEdit->DefaultMessage(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(v.c_str()));
}

std::wstring TcxCustomTextEdit::ClipboardText() const
{
    std::wstring text;
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(nullptr))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

namespace {

bool PutOnClipboard(HWND owner, const std::wstring& text)
{
    if (!OpenClipboard(owner))
        return false;
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    bool ok = false;
    if (mem) {
        if (auto* p = static_cast<wchar_t*>(GlobalLock(mem))) {
            memcpy(p, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
            GlobalUnlock(mem);
            ok = SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
        }
        if (!ok)
            GlobalFree(mem);
    }
    CloseClipboard();
    return ok;
}

} // namespace

bool TcxCustomTextEdit::ReplaceSelectionAllowed(const std::wstring& inserted)
{
    if (!DoEditing())
        return false;
    int max = TextProperties()->MaxLength();
    if (max > 0) {
        std::wstring t = Text();
        int start = SelStart(), len = SelLength();
        int kept = static_cast<int>(t.size()) - len;
        // Even the text outside the selection does not fit: refused.
        if (start > max || kept > max)
            return false;
    }
    return true;
}

bool TcxCustomTextEdit::CopySelection()
{
    std::wstring sel = SelText();
    if (sel.empty() || TextProperties()->EchoMode() == eemPassword)
        return false;
    return PutOnClipboard(HandleAllocated() ? Handle() : nullptr, sel);
}

bool TcxCustomTextEdit::CutSelection()
{
    if (!m_innerEdit || !m_innerEdit->HandleAllocated())
        return false;
    if (!Focused()) {
        // Not focused: the whole text is cut, after it is safely on the clipboard.
        if (!DoEditing())
            return false;
        std::wstring t = Text();
        if (!t.empty() && !PutOnClipboard(Handle(), t))
            return false;
        m_innerEdit->SetText(std::wstring());
        return true;
    }
    if (SelLength() == 0 || !ReplaceSelectionAllowed(std::wstring()))
        return false;
    m_innerEdit->DefaultMessage(WM_CUT);
    return true;
}

bool TcxCustomTextEdit::PasteText()
{
    if (!m_innerEdit || !m_innerEdit->HandleAllocated() || !IsClipboardFormatAvailable(CF_UNICODETEXT))
        return false;
    std::wstring clip = ClipboardText();
    if (!Focused()) {
        if (!DoEditing())
            return false;
        // The pasted text replaces the whole field; like a paste at the caret it keeps only
        // what fits.
        int max = TextProperties()->MaxLength();
        if (max > 0 && static_cast<int>(clip.size()) > max) {
            size_t keep = static_cast<size_t>(max);
            // Never half of a character that takes two code units.
            if (IS_HIGH_SURROGATE(clip[keep - 1]))
                --keep;
            clip.resize(keep);
        }
        m_innerEdit->SetText(TextProperties()->CheckedText(clip));
        return true;
    }
    if (!ReplaceSelectionAllowed(clip))
        return false;
    m_innerEdit->DefaultMessage(WM_PASTE);
    return true;
}

bool TcxCustomTextEdit::DeleteSelection()
{
    if (!m_innerEdit || !m_innerEdit->HandleAllocated() || SelLength() == 0 || !DoEditing())
        return false;
    int start = SelStart();
    std::wstring t = Text();
    t.erase(static_cast<size_t>(start), static_cast<size_t>(SelLength()));
    m_innerEdit->SetText(TextProperties()->CheckedText(t));
    SetSelStart(start);
    return true;
}

bool TcxCustomTextEdit::InnerEditAllowed(UINT msg, WPARAM)
{
    switch (msg) {
    case WM_PASTE:
        if (!IsClipboardFormatAvailable(CF_UNICODETEXT))
            return false;
        return ReplaceSelectionAllowed(ClipboardText());
    case WM_CUT:
    case WM_CLEAR: return SelLength() > 0 && ReplaceSelectionAllowed(std::wstring());
    default: return DoEditing();
    }
}

void TcxCustomTextEdit::InnerFocusChanged(bool gained, HWND other)
{
    if (InnerFocusTransfer()) {
        UpdateVisualStateAtCursor(false);
        return;
    }
    HWND self = HandleAllocated() ? Handle() : nullptr;
    // The container's own window passes the focus on: where it came from tells whether the
    // focus entered the editor.
    bool fromOutside = other != self || m_focusFromOutside;
    m_focusFromOutside = false;
    if (gained) {
        if (fromOutside) {
            DoEnter();
            if (ActiveProperties()->AutoSelect() && !FocusingForError())
                m_innerEdit->SelectAll();
        }
    } else if (other != self) {
        DoExit();
    }
    UpdateVisualStateAtCursor(false);
    if (OnFocusChanged)
        OnFocusChanged(this);
}

RECT TcxCustomTextEdit::TextArea()
{
    return EditViewInfo().innerEditRect;
}

std::unique_ptr<TcxCustomEditViewData>
TcxTextEditProperties::CreateViewData(TcxEditStyle* style, bool isEmbedded, bool isForMeasuring)
{
    return std::make_unique<TcxCustomTextEditViewData>(this, style, isEmbedded, isForMeasuring);
}

void TcxCustomTextEditViewData::CalculateViewInfo(POINT p, bool hotAllowed, TcxCustomEditViewInfo& vi)
{
    TcxCustomEditViewData::CalculateViewInfo(p, hotAllowed, vi);
    // One pixel of text offset on each side keeps the caret off the frame.
    InflateRect(&vi.innerEditRect, -1, -1);
}

void TcxCustomTextEdit::PlaceInnerControl()
{
    if (!m_innerEdit)
        return;
    RECT area = TextArea();
    int lineHeight = TextLineHeight();
    int free = (area.bottom - area.top) - lineHeight;
    // The line sits at the top, at the bottom or in the middle of the text area, never
    // above its top.
    int top = area.top;
    switch (TextProperties()->AlignmentValue().Vert()) {
    case cxedit::TcxEditVertAlignment::taTopJustify: break;
    case cxedit::TcxEditVertAlignment::taBottomJustify: top = area.bottom - lineHeight; break;
    case cxedit::TcxEditVertAlignment::taVCenter: top = area.top + free / 2; break;
    }
    top = std::max(top, static_cast<int>(area.top));
    int height = std::min(lineHeight, static_cast<int>(area.bottom - top));
    RECT target{area.left, top, std::max(area.left, area.right), top + std::max(height, 0)};
    RECT current = m_innerEdit->BoundsRect();
    if (!EqualRect(&current, &target))
        m_innerEdit->SetBounds(target.left, target.top, target.right - target.left,
                               target.bottom - target.top);
}

void TcxCustomTextEdit::SyncInnerControlLook()
{
    TcxCustomEdit::SyncInnerControlLook();
    // The state's text colour, not only the font's, reaches the edit box.
    if (m_innerEdit)
        m_innerEdit->SetTextColor(CurrentStyle()->TextColor());
}

void TcxCustomTextEdit::PropertiesChanged()
{
    if (m_innerEdit) {
        TcxTextEditProperties* p = TextProperties();
        m_innerEdit->SetReadOnly(ReadOnly());
        m_innerEdit->SetMaxLength(p->MaxLength());
        m_innerEdit->SetStyleSettings(p->EchoMode(), p->PasswordChar(), p->CharCase(), p->HideSelection(),
                                      p->OEMConvert());
        m_innerEdit->SetAlignment(p->AlignmentValue().Horz(), p->UseLeftAlignmentOnEditing());
        m_innerEdit->SetIme(p->ImeMode(), p->ImeName());
    }
    TcxCustomEdit::PropertiesChanged();
}

bool TcxCustomTextEdit::EditKey(UINT msg, WPARAM key)
{
    switch (msg) {
    case WM_KEYDOWN: {
        m_enterHandled = false;
        if (ClickKeyDown(key))
            return true;

        // Tab that leaves the editor is reported first; a handler that takes it keeps the focus.
        if (key == VK_TAB && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0 && Focused() &&
            TabLeavesControl()) {
            WORD reported = VK_TAB;
            if (!DoKeyDown(reported))
                TabKeyDown(key);
            return true;
        }
        if (EditorKeyDown(key)) {
            m_enterHandled = key == VK_RETURN;
            return true;
        }
        // Left or right with a selection and without Shift: the caret goes to that end.
        if ((key == VK_LEFT || key == VK_RIGHT) && GetKeyState(VK_SHIFT) >= 0 && SelLength() > 0) {
            int start = SelStart(), end = start + SelLength();
            SetSelStart(key == VK_LEFT ? start : end);
            return true;
        }
        // Shift+Insert pastes and Shift+Delete cuts inside the edit box without a paste or
        // cut message: they take the editor's own way, which asks OnEditing and keeps the
        // length limit.
        if ((key == VK_INSERT || key == VK_DELETE) && GetKeyState(VK_SHIFT) < 0 &&
            GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0) {
            if (key == VK_INSERT)
                PasteText();
            else
                CutSelection();
            return true;
        }
        if (key == VK_DELETE && !DoEditing())
            return true;
        return false;
    }
    case WM_CHAR:
        if (key == L'\t')
            return true;
        if (key == L'\r') {
            bool handled = m_enterHandled;
            m_enterHandled = false;
            // Without the beep the edit box never sees Return.
            return handled || !m_beepOnEnter;
        }
        if (key == 0x1B) {
            bool handled = m_escapeHandled;
            m_escapeHandled = false;
            return handled;
        }
        return false;
    case WM_KEYUP: return key == VK_TAB;
    default: return false;
    }
}

bool TcxCustomTextEdit::CompleteFromLookupItems(wchar_t typed)
{
    TcxTextEditProperties* p = TextProperties();
    if (!p->IncrementalSearch() || p->LookupItems()->Count() == 0 || !m_innerEdit ||
        !m_innerEdit->HandleAllocated())
        return false;
    // Only a text typed at its end is completed: the part after the caret would be lost.
    std::wstring t = Text();
    int start = SelStart(), length = SelLength();
    if (start + length != static_cast<int>(t.size()))
        return false;
    std::wstring prefix = t.substr(0, static_cast<size_t>(start)) + typed;
    int found = p->FindLookupItem(prefix, false);
    if (found < 0)
        return false;
    std::wstring completed = p->CheckedText(p->LookupItems()->Lines()[static_cast<size_t>(found)]);
    int max = p->MaxLength();
    if (max > 0 && static_cast<int>(completed.size()) > max)
        completed.resize(static_cast<size_t>(max));
    if (completed.size() < prefix.size())
        return false;
    // What the user typed keeps its letters; the rest comes from the item, selected, so that
    // typing on replaces it.
    completed.replace(0, prefix.size(), p->CheckedText(prefix));
    m_innerEdit->SetText(completed);
    SendMessageW(m_innerEdit->Handle(), EM_SETSEL, prefix.size(), completed.size());
    return true;
}

void TcxCustomTextEdit::EditValidated()
{
    TcxCustomEdit::EditValidated();
    TcxTextEditProperties* p = TextProperties();
    if (!p || p->LookupItems()->Count() == 0)
        return;
    std::wstring text = Text();
    if (text.empty() || p->FindLookupItem(text, true) >= 0)
        return;
    // The own handler, then the repository item's.
    auto* own = static_cast<TcxTextEditProperties*>(Properties());
    for (TcxTextEditProperties* props : {own, p != own ? p : nullptr})
        if (props && props->OnNewLookupDisplayText)
            CallHandler([&] { props->OnNewLookupDisplayText(this, text); });
}

bool TcxCustomTextEdit::CanModify()
{
    return !TextProperties()->HideCursor() && TcxCustomEdit::CanModify();
}

bool TcxCustomTextEdit::InnerKey(UINT msg, WPARAM& key)
{
    if (EditKey(msg, key))
        return true;
    switch (msg) {
    case WM_KEYDOWN:
    case WM_KEYUP: {
        WORD k = static_cast<WORD>(key);
        bool kept = msg == WM_KEYDOWN ? DoKeyDown(k) : DoKeyUp(k);
        key = k;
        return kept;
    }
    case WM_CHAR: {
        wchar_t c = static_cast<wchar_t>(key);
        if (DoKeyPress(c))
            return true;
        key = c;
        // Copying and selecting are not editing; every other character is.
        if (c == 0x03 || c == 0x01)
            return false;
        if (!DoEditing())
            return true;
        return c >= 0x20 && CompleteFromLookupItems(c);
    }
    default: return false;
    }
}

TcxTextEdit::TcxTextEdit(TComponent* owner) : TcxCustomTextEdit(owner)
{
    Construct(new TcxTextEditProperties(this));
}

const TClassInfo* TcxTextEdit::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxTextEdit", TcxCustomTextEdit::StaticProperties());
        ci.AddObject<TcxTextEdit, TcxTextEditProperties>(L"Properties", &TcxTextEdit::Properties);
        return ci;
    }();
    return &info;
}
