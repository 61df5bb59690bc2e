// The preview window: what a click on the start button would do with the fields as they stand,
// one row per matching file, without touching anything on disk.
#pragma once

#include "RunPreview.h"

#include "controls/cxButtons.h"
#include "controls/cxLabel.h"
#include "runtime/rtForms.h"
#include "runtime/rtStdCtrls.h"

#include <memory>

class TPreviewForm : public TForm {
public:
    // Works the preview out first (raising the run's listing errors), then builds the window.
    TPreviewForm(TComponent* owner, const TRunFields& fields, IBusyCursor* busyCursor);
    ~TPreviewForm() override;
    const wchar_t* ClassName() const override { return L"TPreviewForm"; }

    const TRunPreview& Preview() const noexcept { return *m_preview; }
    TNativeListView* List() const noexcept { return m_list; }
    TcxLabel* CountsLabel() const noexcept { return m_counts; }
    TcxButton* CloseButton() const noexcept { return m_close; }

protected:
    void Resized() override;

private:
    std::unique_ptr<TRunPreview> m_preview;
    TNativeListView* m_list = nullptr;
    TcxLabel* m_counts = nullptr;
    TcxButton* m_close = nullptr;
};
