// A container for other controls: a frame with its caption set into it, drawn on the
// parent's colour.
#pragma once

#include "editors/cxEdit.h"

class TcxGroupBox : public TcxCustomEdit {
public:
    explicit TcxGroupBox(TComponent* owner);
    const wchar_t* ClassName() const override { return L"TcxGroupBox"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    bool CanTakeFocus() const override { return false; }
    bool UsesParentBackground() const override { return true; }
    bool Transparent() const noexcept { return m_transparent; }
    void SetTransparent(bool v);
    // The rectangle of the frame line, below the caption's middle.
    RECT FrameBounds();

protected:
    void ComputeViewInfo(POINT p, bool hotAllowed) override;
    void PaintFrame(HDC dc) override;
    void PaintContent(HDC dc) override;
    void TextChanged() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool m_transparent = false;
};
