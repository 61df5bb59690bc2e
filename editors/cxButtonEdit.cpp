#include "cxButtonEdit.h"

#include "runtime/rtGraphicsInfo.h"

#include <windowsx.h>
#include <utility>

TcxButtonEditProperties::TcxButtonEditProperties(TcxCustomEdit* owner) : TcxTextEditProperties(owner)
{
    // New button settings have one button, the default ellipsis; a stored description
    // replaces it with the buttons it lists.
    TcxEditButton* first = Buttons()->Add();
    first->SetDefault(true);
    first->SetKind(bkEllipsis);
}

const TClassInfo* TcxButtonEditProperties::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxButtonEditProperties", TcxTextEditProperties::StaticProperties());
        using P = TcxButtonEditProperties;
        ci.AddCollection<P, TcxEditButtons>(L"Buttons", &P::Buttons);
        ci.AddEnum<P, TcxTextEditViewStyle>(L"ViewStyle",
                                            {{L"vsNormal", vsNormal},
                                             {L"vsHideCursor", vsHideCursor},
                                             {L"vsButtonsOnly", vsButtonsOnly},
                                             {L"vsButtonsAutoWidth", vsButtonsAutoWidth}},
                                            &P::SetViewStyle, &P::ViewStyle);
        ci.AddString<P>(L"EditMask", &P::SetEditMask, &P::EditMask);
        ci.AddEnum<P, TcxEditMaskKind>(
            L"MaskKind",
            {{L"emkStandard", emkStandard}, {L"emkRegExpr", emkRegExpr}, {L"emkRegExprEx", emkRegExprEx}},
            &P::SetMaskKind, &P::MaskKind);
        ci.AddBool<P>(L"IgnoreMaskBlank", &P::SetIgnoreMaskBlank, &P::IgnoreMaskBlank);
        ci.AddEvent<P, TcxEditButtonClickEvent>(L"OnButtonClick", &P::OnButtonClick);
        return ci;
    }();
    return &info;
}

void TcxButtonEditProperties::Assign(const TPersistent* source)
{
    if (auto* p = dynamic_cast<const TcxButtonEditProperties*>(source)) {
        LockUpdate();
        try {
            m_viewStyle = p->m_viewStyle;
            m_editMask = p->m_editMask;
            m_maskKind = p->m_maskKind;
            m_ignoreMaskBlank = p->m_ignoreMaskBlank;
            TcxTextEditProperties::Assign(source);
        } catch (...) {
            UnlockUpdate();
            throw;
        }
        UnlockUpdate();
        return;
    }
    TcxTextEditProperties::Assign(source);
}

TcxButtonEdit::TcxButtonEdit(TComponent* owner) : TcxCustomTextEdit(owner)
{
    Construct(new TcxButtonEditProperties(this));
}

TcxButtonEdit::~TcxButtonEdit() = default;

const TClassInfo* TcxButtonEdit::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxButtonEdit", TcxCustomTextEdit::StaticProperties());
        ci.AddObject<TcxButtonEdit, TcxButtonEditProperties>(L"Properties", &TcxButtonEdit::Properties);
        return ci;
    }();
    return &info;
}

bool TcxButtonEdit::CanModify()
{
    TcxTextEditViewStyle v = ActiveButtonProperties()->ViewStyle();
    return v != vsHideCursor && v != vsButtonsOnly && TcxCustomTextEdit::CanModify();
}

void TcxButtonEdit::Loading()
{
    TcxCustomTextEdit::Loading();
    // A stored description lists the buttons it wants: none listed means none.
    if (!m_buttonsEmptiedForReading) {
        m_buttonsEmptiedForReading = true;
        Properties()->Buttons()->Clear();
    }
}

LRESULT TcxButtonEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SETCURSOR && reinterpret_cast<HWND>(wParam) == Handle()) {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        return TRUE;
    }
    return TcxCustomTextEdit::WndProc(msg, wParam, lParam);
}
