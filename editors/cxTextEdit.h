// A single-line text editor: a container that hosts the platform's edit box.
#pragma once

#include "editors/cxEdit.h"
#include "runtime/rtStdCtrls.h"

#include <imm.h>

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
// What the input method does while the edit box has the focus: switched off, closed, open,
// left as it is, or open in a conversion mode.
enum TImeMode {
    imDisable,
    imClose,
    imOpen,
    imDontCare,
    imSAlpha,
    imAlpha,
    imHira,
    imSKata,
    imKata,
    imChinese,
    imSHanguel,
    imHanguel
};
// The names stored descriptions use for the modes.
extern const TEnumNames kImeModeNames;
enum TcxEditEchoMode { eemNormal, eemPassword };

// The lines of a text list (lookup items): kept in the order given, or sorted; duplicates
// are kept. Stored as "Strings = ( 'a' 'b' )".
class TcxLookupItems : public TPersistent {
public:
    const wchar_t* ClassName() const override { return L"TStrings"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    const std::vector<std::wstring>& Lines() const noexcept { return m_lines; }
    void SetLines(std::vector<std::wstring> lines);
    void Add(const std::wstring& line);
    void Clear() { SetLines({}); }
    int Count() const noexcept { return static_cast<int>(m_lines.size()); }
    bool Sorted() const noexcept { return m_sorted; }
    // Sorted lines follow the platform's text order without regard to case; equal lines
    // keep their order.
    void SetSorted(bool v);

    std::function<void()> OnChanged;

private:
    void Sort();
    void Changed()
    {
        if (OnChanged)
            OnChanged();
    }
    std::vector<std::wstring> m_lines;
    bool m_sorted = false;
};

using TcxNewLookupDisplayTextEvent = std::function<void(TObject* Sender, const std::wstring& AText)>;

class TcxTextEditProperties : public TcxCustomEditProperties {
public:
    explicit TcxTextEditProperties(TcxCustomEdit* owner) : TcxCustomEditProperties(owner)
    {
        m_lookupItems.OnChanged = [this] { MarkChanged(); };
    }
    const wchar_t* ClassName() const override { return L"TcxTextEditProperties"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    // 0: no limit; counted in characters; negative values become 0.
    int MaxLength() const noexcept { return IsMaxLengthAssigned() ? m_maxLength : 0; }
    void SetMaxLength(int v);
    bool IsMaxLengthAssigned() const noexcept { return (AssignedValues() & epvMaxLength) != 0; }
    // The formats a numeric editor shows and edits its value in; empty unless assigned. Not
    // published: the kinds that format values publish them.
    std::wstring DisplayFormat() const
    {
        return (AssignedValues() & epvDisplayFormat) ? m_displayFormat : L"";
    }
    void SetDisplayFormat(const std::wstring& v);
    std::wstring EditFormat() const { return (AssignedValues() & epvEditFormat) ? m_editFormat : L""; }
    void SetEditFormat(const std::wstring& v);
    TEditCharCase CharCase() const noexcept { return m_charCase; }
    void SetCharCase(TEditCharCase v) { SetValue(m_charCase, v); }
    TcxEditEchoMode EchoMode() const noexcept { return m_echoMode; }
    void SetEchoMode(TcxEditEchoMode v) { SetValue(m_echoMode, v); }
    // 0: "*" while EchoMode is eemPassword.
    wchar_t PasswordChar() const noexcept { return m_passwordChar; }
    void SetPasswordChar(wchar_t v) { SetValue(m_passwordChar, v); }
    bool HideSelection() const noexcept { return m_hideSelection; }
    void SetHideSelection(bool v) { SetValue(m_hideSelection, v); }
    bool OEMConvert() const noexcept { return m_oemConvert; }
    void SetOEMConvert(bool v) { SetValue(m_oemConvert, v); }
    bool IncrementalSearch() const noexcept { return m_incrementalSearch; }
    void SetIncrementalSearch(bool v) { SetValue(m_incrementalSearch, v); }
    TImeMode ImeMode() const noexcept { return m_imeMode; }
    void SetImeMode(TImeMode v) { SetValue(m_imeMode, v); }
    const std::wstring& ImeName() const noexcept { return m_imeName; }
    void SetImeName(const std::wstring& v) { SetValue(m_imeName, v); }
    // Completion candidates: typing completes the text from the first line that starts with
    // it (IncrementalSearch on). Assigning copies the lines.
    TcxLookupItems* LookupItems() noexcept { return &m_lookupItems; }
    void SetLookupItems(const TcxLookupItems& v) { m_lookupItems.Assign(&v); }
    bool LookupItemsSorted() const noexcept { return m_lookupItems.Sorted(); }
    void SetLookupItemsSorted(bool v) { m_lookupItems.SetSorted(v); }
    // Whether completion and the lookup compare without regard to letter case.
    bool CaseInsensitive() const noexcept { return m_caseInsensitive; }
    void SetCaseInsensitive(bool v) { SetValue(m_caseInsensitive, v); }
    // The text cannot be edited and the caret is hidden (not stored).
    bool HideCursor() const noexcept { return m_hideCursor; }
    void SetHideCursor(bool v) { SetValue(m_hideCursor, v); }
    // The line of the lookup items that starts with prefix (compared by CaseInsensitive), or -1;
    // whole: the line must equal the text.
    int FindLookupItem(const std::wstring& text, bool whole) const;
    // Raised once a validated text is not among the lookup items.
    TcxNewLookupDisplayTextEvent OnNewLookupDisplayText;

    bool CanValidate() const override { return true; }
    bool SeparateValueChangedEvent() const override { return true; }
    bool CompareEditValues() const override { return true; }
    // Text editors remember the value they had when entered, so that Escape can restore it.
    bool RememberValueOnEnter() const override { return true; }
    // A text entering the editor: CharCase applied.
    std::wstring CheckedText(const std::wstring& text) const;
    std::unique_ptr<TcxCustomEditViewData> CreateViewData(TcxEditStyle* style, bool isEmbedded,
                                                          bool isForMeasuring) override;

protected:
    unsigned AssignableValues() const noexcept override
    {
        return TcxCustomEditProperties::AssignableValues() | epvDisplayFormat | epvEditFormat | epvMaxLength;
    }

private:
    // Sets an assigned text, reporting a change only when the text or the flag changes.
    void SetAssignedText(std::wstring& field, unsigned flag, const std::wstring& v);
    int m_maxLength = 0;
    std::wstring m_displayFormat, m_editFormat;
    TEditCharCase m_charCase = ecNormal;
    TcxEditEchoMode m_echoMode = eemNormal;
    wchar_t m_passwordChar = 0;
    bool m_hideSelection = true;
    bool m_oemConvert = false;
    bool m_incrementalSearch = true;
    TImeMode m_imeMode = imDontCare;
    std::wstring m_imeName;
    TcxLookupItems m_lookupItems;
    bool m_caseInsensitive = true;
    bool m_hideCursor = false;
};

class TcxCustomTextEdit;

// The view calculation of a text editor: the inner edit box keeps one pixel off the frame
// and the buttons on every side.
class TcxCustomTextEditViewData : public TcxCustomEditViewData {
public:
    using TcxCustomEditViewData::TcxCustomEditViewData;
    void CalculateViewInfo(POINT p, bool hotAllowed, TcxCustomEditViewInfo& vi) override;
};

// The platform's edit box inside a text editor. It keeps its settings (length limit,
// password character, letter case) and applies them whenever its window is (re)created;
// the cursor over it counts as over the editor, and its focus is the editor's.
class TcxCustomInnerTextEdit : public TNativeEdit {
public:
    TcxCustomInnerTextEdit(TComponent* owner, TcxCustomTextEdit* editor)
        : TNativeEdit(owner), m_editor(editor)
    {
    }
    const wchar_t* ClassName() const override { return L"TcxCustomInnerTextEdit"; }

    void SetMaxLength(int v);
    // Settings that only a new window can take: they recreate it when they change.
    void SetStyleSettings(TcxEditEchoMode echo, wchar_t passwordChar, TEditCharCase charCase,
                          bool hideSelection, bool oemConvert);
    // Where the text stands. With leftWhileEditing the window stays left-aligned and an
    // unfocused box moves its text by its left margin, so that taking the focus (in the middle
    // of a click) only changes a margin; otherwise the window style aligns the text, which
    // only a new window takes.
    void SetAlignment(cxedit::TAlignment v, bool leftWhileEditing);
    // The input method settings, applied when the window is made and whenever it gets the
    // focus (the input method's state belongs to the focused window).
    void SetIme(TImeMode mode, const std::wstring& name);
    void ApplyIme();
    // Passes a message to the platform's edit box, around the editor's checks.
    LRESULT DefaultMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        m_passThrough = true;
        LRESULT r = Perform(msg, wParam, lParam);
        m_passThrough = false;
        return r;
    }

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // A new window for settings only a new window takes, with the focus and the selection
    // of the old one.
    void RecreateKeepingFocus();
    // Repaints what the platform asks for through an off-screen picture; false when there was
    // nothing to paint with.
    bool PaintBuffered();
    // The brush a transparent editor's box fills itself with: a picture of what lies behind
    // the box, aligned with the box's client area in dc; null when there is none to make.
    HBRUSH SeeThroughBrush(HDC dc);
    UniqueBrush m_seeThroughBrush;
    cxedit::TAlignment WindowAlignment() const noexcept
    {
        return m_leftWhileEditing ? cxedit::TAlignment::taLeftJustify : m_alignment;
    }
    // Sets the left margin that places the text of an unfocused box by the alignment, or
    // takes it away while the box has the focus.
    void PlaceText(bool focused);
    void RemoveAlignmentMargin();
    TcxCustomTextEdit* m_editor;
    int m_maxLength = 0;
    TcxEditEchoMode m_echoMode = eemNormal;
    wchar_t m_passwordChar = 0;
    TEditCharCase m_charCase = ecNormal;
    bool m_hideSelection = true;
    bool m_oemConvert = false;
    cxedit::TAlignment m_alignment = cxedit::TAlignment::taLeftJustify;
    bool m_leftWhileEditing = false;
    int m_alignmentMargin = 0; // added to the box's own left margin while unfocused
    TImeMode m_imeMode = imDontCare;
    std::wstring m_imeName;
    // The input context taken away while the input method is switched off, given back after.
    HIMC m_savedContext = nullptr;
    bool m_contextTaken = false;
    bool m_passThrough = false;
};

class TcxCustomTextEdit : public TcxCustomEdit {
public:
    explicit TcxCustomTextEdit(TComponent* owner);
    ~TcxCustomTextEdit() override;
    const wchar_t* ClassName() const override { return L"TcxCustomTextEdit"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    // The text settings in use (a repository item's when one is set).
    TcxTextEditProperties* TextProperties() noexcept
    {
        return static_cast<TcxTextEditProperties*>(ActiveProperties());
    }
    // Draws what lies behind the editor into dc, in the editor's client coordinates.
    void PaintWhatLiesBehind(HDC dc) { PaintParentBackground(dc); }

    // The shown text: the edit box's live text. Setting it by code passes the value check
    // (CharCase) but not the length limit, and does not mark the editor modified.
    std::wstring Text() const;
    void SetText(const std::wstring& value) override;
    TcxCustomInnerTextEdit* InnerEdit() const noexcept { return m_innerEdit; }
    void SelectAll();
    bool BeepOnEnter() const noexcept { return m_beepOnEnter; }
    void SetBeepOnEnter(bool v) { m_beepOnEnter = v; }

    int SelStart() const;
    void SetSelStart(int v);
    int SelLength() const;
    void SetSelLength(int v);
    std::wstring SelText() const;
    void SetSelText(const std::wstring& v);
    // Clipboard operations; each answers false (and changes nothing) when the editor is
    // read-only, OnEditing refuses, or the result would not fit.
    bool CutSelection();
    bool CopySelection();
    bool PasteText();
    bool DeleteSelection();

    // Called by the edit box.
    void InnerFocusChanged(bool gained, HWND other);
    void InnerTextChanged();
    // Whether an editing message may reach the edit box (paste, cut, clear, typing).
    bool InnerEditAllowed(UINT msg, WPARAM wParam);
    // Not while the cursor is hidden.
    bool CanModify() override;

protected:
    void Construct(TcxTextEditProperties* properties);
    bool CanUseProperties(TcxCustomEditProperties* p) override
    {
        return dynamic_cast<TcxTextEditProperties*>(p) != nullptr;
    }
    void PlaceInnerControl() override;
    void SyncInnerControlLook() override;
    void PropertiesChanged() override;
    std::wstring DisplayText() override;
    void SetDisplayValue(const std::wstring& text) override;
    void SelectAllText() override { SelectAll(); }
    // The part of the client rectangle where the edit box goes.
    virtual RECT TextArea();
    // Keys typed into the edit box reach the editor first; true consumes the key.
    virtual bool EditKey(UINT msg, WPARAM key);
    // The editor's own keys, then the key events (which may change or drop the key), then
    // OnEditing for a character that edits.
    bool InnerKey(UINT msg, WPARAM& key);
    // A character typed at the end of the text completes it from the lookup items; true when
    // it did (the character is then in the text already).
    bool CompleteFromLookupItems(wchar_t typed);
    void EditValidated() override;

private:
    // Replaces the selection with inserted (nothing for a cut) if allowed and it fits.
    bool ReplaceSelectionAllowed(const std::wstring& inserted);
    std::wstring ClipboardText() const;

    TcxCustomInnerTextEdit* m_innerEdit = nullptr;
    bool m_beepOnEnter = true;
    bool m_internalUpdating = false;
    bool m_enterHandled = false;
};

class TcxTextEdit : public TcxCustomTextEdit {
public:
    explicit TcxTextEdit(TComponent* owner);
    const wchar_t* ClassName() const override { return L"TcxTextEdit"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    TcxTextEditProperties* Properties() noexcept
    {
        return static_cast<TcxTextEditProperties*>(TcxCustomEdit::Properties());
    }
};
