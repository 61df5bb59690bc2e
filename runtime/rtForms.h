// Top-level windows: forms built from stored descriptions, with an active control, tab
// order, dialog keys, modal showing and load-time scaling.
#pragma once

#include "rtControls.h"
#include "rtStreaming.h"

#include <any>
#include <map>

enum TModalResult {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7
};

enum TPosition { poDesigned, poScreenCenter, poOwnerFormCenter };

enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };
using TBorderIcons = unsigned;

class TCustomForm : public TWinControl, protected TRootReader {
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;
    const wchar_t* ClassName() const override { return L"TCustomForm"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    // Reads a stored description (a resource of the program by default) into this form.
    void LoadFromDescription(const std::wstring& text);
    void LoadFromResource(const wchar_t* name);

    TWinControl* ActiveControl() const noexcept { return m_activeControl; }
    void SetActiveControl(TWinControl* control);
    // The active control by component name, as a stored description names it; resolved
    // once loading has created the named control.
    void SetActiveControlName(const std::wstring& name);
    TBorderIcons BorderIcons() const noexcept { return m_borderIcons; }
    void SetBorderIcons(TBorderIcons value) { m_borderIcons = value; }
    // The window that owns this form's window (set by ShowModal when none is given).
    HWND PopupParent() const noexcept { return m_popupParent; }
    void SetPopupParent(HWND owner) { m_popupParent = owner; }
    // Moves the focus to the next (or previous) control in tab order.
    void SelectNext(bool forward);
    // The controls that Tab walks through, in order.
    std::vector<TWinControl*> TabList() const;
    // The tab-list control that holds the window (itself, or a control hosting it).
    TWinControl* TabControlOf(HWND wnd) const;
    // Handles Tab, Return and Escape before the focused control sees them.
    virtual bool DialogKey(const MSG& msg);

    // Before the window exists the client area is the outer size less the frame that the
    // form's window styles will give it, so a stored client size can be set at any time.
    RECT ClientRect() const override;

    int PixelsPerInch() const noexcept { return m_pixelsPerInch; }
    void SetPixelsPerInch(int v) { m_pixelsPerInch = v; }
    int TextHeight() const noexcept { return m_textHeight; }
    void SetTextHeight(int v) { m_textHeight = v; }
    bool OldCreateOrder() const noexcept { return m_oldCreateOrder; }
    void SetOldCreateOrder(bool v) { m_oldCreateOrder = v; }
    TPosition Position() const noexcept { return m_position; }
    void SetPosition(TPosition v) { m_position = v; }

    // Shows the form with a platform show command (SW_SHOWNORMAL, SW_SHOWMAXIMIZED...). The
    // form counts itself visible before the platform activates it, so that the first-focus
    // step run by the activation finds the controls focusable.
    void ShowWithCommand(int command);

    // Closing: a close that a running handler asks for waits until it has returned.
    void Close();
    bool CloseRequested() const noexcept { return m_closeRequested; }
    int ShowModal();
    TModalResult ModalResult() const noexcept { return m_modalResult; }
    void SetModalResult(TModalResult v) { m_modalResult = v; }
    bool IsModal() const noexcept { return m_modal; }

    std::function<void(TObject*, bool& canClose)> OnCloseQuery;
    TNotifyEvent OnClose;
    TNotifyEvent OnShow;
    // Raised once the description has been read.
    TNotifyEvent OnCreate;
    // Raised while the form paints its client area; PaintDC is the target meanwhile.
    TNotifyEvent OnPaint;
    HDC PaintDC() const noexcept { return m_paintDC; }

    void ActiveControlFocused(TWinControl* control);

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Loaded() override;
    void Paint(HDC dc, const RECT& updateRect) override;
    // Publishes a handler under a name that stored descriptions can use.
    template <typename Ev> void PublishMethod(const std::wstring& name, Ev handler)
    {
        m_methods[name] = std::move(handler);
    }
    // Lets the form keep a typed reference to a component read from its description.
    template <typename T> void PublishField(const std::wstring& name, T*& field)
    {
        m_fields[name] = [&field](TComponent* c) { field = As<T>(c); };
    }
    // Scales the stored layout to the screen and the measured text height: the controls and
    // the client area by the same factor, then keeps the window inside the work area.
    virtual void ScaleForScreen();
    // Moves (and if need be shrinks) the window into the work area of its monitor.
    void KeepInsideWorkArea();
    virtual void DoClose();

private:
    std::any FindMethod(const std::wstring& name) const override;
    void BindField(const std::wstring& name, TComponent* component) override;
    void FocusFirst();
    void ResolveActiveControlName();

    TWinControl* m_activeControl = nullptr;
    HWND m_lastFocus = nullptr;
    std::map<std::wstring, std::any> m_methods;
    std::map<std::wstring, std::function<void(TComponent*)>> m_fields;
    int m_pixelsPerInch = 96;
    int m_textHeight = 0;
    bool m_oldCreateOrder = false;
    TPosition m_position = poDesigned;
    bool m_closeRequested = false;
    bool m_modal = false;
    TModalResult m_modalResult = mrNone;
    std::wstring m_activeControlName;
    TBorderIcons m_borderIcons = biSystemMenu | biMinimize | biMaximize;
    HWND m_popupParent = nullptr;
    HDC m_paintDC = nullptr;
};

// The rectangle r moved into area, and shrunk to it where it is larger.
RECT FitRectIntoArea(const RECT& r, const RECT& area);

class TForm : public TCustomForm {
public:
    using TCustomForm::TCustomForm;
    const wchar_t* ClassName() const override { return L"TForm"; }
};
