// A read-only editor that shows its caption; never takes the focus.
#pragma once

#include "editors/cxEdit.h"

enum TcxEditHorzAlignment { taLeftJustify, taRightJustify, taCenter };
enum TcxEditVertAlignment { taTopJustify, taBottomJustify, taVCenter };

class TcxLabelProperties : public TcxCustomEditProperties {
public:
    using TcxCustomEditProperties::TcxCustomEditProperties;
    const wchar_t* ClassName() const override { return L"TcxLabelProperties"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    TcxEditHorzAlignment AlignmentHorz() const noexcept { return m_horz; }
    void SetAlignmentHorz(TcxEditHorzAlignment v);
    TcxEditVertAlignment AlignmentVert() const noexcept { return m_vert; }
    void SetAlignmentVert(TcxEditVertAlignment v);
    bool WordWrap() const noexcept { return m_wordWrap; }
    void SetWordWrap(bool v);
    bool ShowAccelChar() const noexcept { return m_showAccelChar; }
    void SetShowAccelChar(bool v);

private:
    TcxEditHorzAlignment m_horz = taLeftJustify;
    TcxEditVertAlignment m_vert = taTopJustify;
    bool m_wordWrap = false;
    bool m_showAccelChar = true;
};

// Labels have no frame unless a style gives one, and do not track the cursor unless asked
// to: a hot frame would take room from the caption and make it jump under the mouse.
class TcxLabelEditStyle : public TcxEditStyle {
public:
    using TcxEditStyle::TcxEditStyle;
    const wchar_t* ClassName() const override { return L"TcxLabelEditStyle"; }

protected:
    TcxContainerBorderStyle FallbackBorderStyle() const override { return cbsNone; }
    bool FallbackHotTrack() const override { return false; }
};

class TcxLabel : public TcxCustomEdit {
public:
    explicit TcxLabel(TComponent* owner);
    const wchar_t* ClassName() const override { return L"TcxLabel"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    TcxLabelProperties* Properties() noexcept
    {
        return static_cast<TcxLabelProperties*>(TcxCustomEdit::Properties());
    }
    bool Transparent() const noexcept { return m_transparent; }
    void SetTransparent(bool v);
    bool CanTakeFocus() const override { return false; }
    bool UsesParentBackground() const override { return true; }
    // The size the caption needs (one blank when empty), before the frame.
    SIZE ContentSize();
    int AutoHeight() override;
    int AutoWidth();
    void SetBounds(int left, int top, int width, int height) override;
    // True while a caption change waits for its repaint.
    bool RepaintPending() const noexcept { return m_repaintTimer && m_repaintTimer->Enabled(); }

protected:
    TcxContainerStyle* CreateStyle(TcxContainerStateIndex state) override
    {
        return new TcxLabelEditStyle(this, state);
    }
    void TextChanged() override;
    void PaintFrame(HDC dc) override;
    void PaintContent(HDC dc) override;
    UINT TextFlags() const;

private:
    bool m_transparent = false;
    // A status line may change far faster than a screen can show: repaints come at most at
    // the display's pace, the last change always shown.
    std::unique_ptr<TcxTimer> m_repaintTimer;
};
