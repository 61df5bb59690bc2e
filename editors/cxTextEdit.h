// A single-line text editor: a container that hosts the platform's edit box.
#pragma once

#include "editors/cxEdit.h"
#include "runtime/rtStdCtrls.h"

class TcxTextEditProperties : public TcxCustomEditProperties {
public:
    using TcxCustomEditProperties::TcxCustomEditProperties;
    const wchar_t* ClassName() const override { return L"TcxTextEditProperties"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    int MaxLength() const noexcept { return m_maxLength; }
    void SetMaxLength(int v);

private:
    int m_maxLength = 0;
};

// The platform's edit box inside a text editor; the cursor over it counts as over the editor.
class TcxCustomInnerTextEdit : public TNativeEdit {
public:
    TcxCustomInnerTextEdit(TComponent* owner, TcxContainer* container) : TNativeEdit(owner), m_container(container) {}
    const wchar_t* ClassName() const override { return L"TcxCustomInnerTextEdit"; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    TcxContainer* m_container;
};

class TcxCustomTextEdit : public TcxCustomEdit {
public:
    explicit TcxCustomTextEdit(TComponent* owner);
    ~TcxCustomTextEdit() override;
    const wchar_t* ClassName() const override { return L"TcxCustomTextEdit"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    // The shown text: the edit box's live text.
    std::wstring Text() const;
    void SetText(const std::wstring& value) override;
    TNativeEdit* InnerEdit() const noexcept { return m_innerEdit; }
    void SelectAll();
    bool BeepOnEnter() const noexcept { return m_beepOnEnter; }
    void SetBeepOnEnter(bool v) { m_beepOnEnter = v; }

protected:
    void Construct(TcxTextEditProperties* properties);
    void PlaceInnerControl() override;
    void PropertiesChanged() override;
    // The part of the client rectangle where the edit box goes.
    virtual RECT TextArea();
    // Keys typed into the edit box reach the editor first; true consumes the key.
    virtual bool EditKey(UINT msg, WPARAM key);

private:
    TNativeEdit* m_innerEdit = nullptr;
    bool m_beepOnEnter = true;
};

class TcxTextEdit : public TcxCustomTextEdit {
public:
    explicit TcxTextEdit(TComponent* owner);
    const wchar_t* ClassName() const override { return L"TcxTextEdit"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    TcxTextEditProperties* Properties() noexcept { return static_cast<TcxTextEditProperties*>(TcxCustomEdit::Properties()); }
};
