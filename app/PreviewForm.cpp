#include "PreviewForm.h"

namespace {

constexpr wchar_t kPreviewCaption[] = L"预览";
constexpr wchar_t kNameColumn[] = L"文件名";
constexpr wchar_t kTargetColumn[] = L"目标路径";
constexpr wchar_t kActionColumn[] = L"操作";
constexpr wchar_t kCloseCaption[] = L"关闭";

// The layout at 96 dots per inch and a text height of 15, grown with the measured text height
// as the stored forms are.
constexpr int kClientWidth = 820;
constexpr int kClientHeight = 460;
constexpr int kMargin = 10;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 28;
constexpr int kLabelHeight = 22;

int TextHeightOf(TFont* font)
{
    HDC screen = GetDC(nullptr);
    HFONT made = font->Handle();
    HGDIOBJ old = SelectObject(screen, made);
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return metrics.tmHeight > 0 ? metrics.tmHeight : 15;
}

} // namespace

TPreviewForm::TPreviewForm(TComponent* owner, const TRunFields& fields, IBusyCursor* busyCursor)
    : TForm(owner), m_preview(std::make_unique<TRunPreview>(fields, busyCursor))
{
    SetCaption(kPreviewCaption);
    SetPosition(poOwnerFormCenter);
    SetBorderIcons(biSystemMenu | biMaximize);
    if (auto* main = dynamic_cast<TWinControl*>(owner))
        SetFont(main->Font());
    const int textHeight = TextHeightOf(Font());
    auto scaled = [textHeight](int v) { return MulDiv(v, std::max(textHeight, 15), 15); };
    SetClientWidth(scaled(kClientWidth));
    SetClientHeight(scaled(kClientHeight));

    m_list = new TNativeListView(this);
    m_list->SetParent(this);
    m_list->SetTabOrder(0);
    m_list->AddColumn(kNameColumn, scaled(180));
    m_list->AddColumn(kTargetColumn, scaled(400));
    m_list->AddColumn(kActionColumn, scaled(200));
    m_list->OnGetText = [this](size_t row, int column) -> std::wstring {
        switch (column) {
        case 0: return std::wstring(m_preview->Name(row));
        case 1: return m_preview->Target(row);
        default: return PreviewActionText(*m_preview, row);
        }
    };
    m_list->SetRowCount(m_preview->RowCount());

    m_counts = new TcxLabel(this);
    m_counts->SetParent(this);
    m_counts->SetCaption(PreviewCountsText(*m_preview));

    m_close = new TcxButton(this);
    m_close->SetParent(this);
    m_close->SetCaption(kCloseCaption);
    m_close->SetCancel(true);
    m_close->SetModalResult(mrCancel);
    m_close->SetTabOrder(1);
    SetActiveControl(m_list);
    Resized();
}

TPreviewForm::~TPreviewForm() = default;

void TPreviewForm::Resized()
{
    TForm::Resized();
    if (!m_list)
        return;
    const int textHeight = std::max(TextHeightOf(Font()), 15);
    auto scaled = [textHeight](int v) { return MulDiv(v, textHeight, 15); };
    const int w = ClientWidth();
    const int h = ClientHeight();
    const int margin = scaled(kMargin);
    const int buttonW = scaled(kButtonWidth);
    const int buttonH = scaled(kButtonHeight);
    const int bottom = h - margin - buttonH;
    m_close->SetBounds(w - margin - buttonW, bottom, buttonW, buttonH);
    m_counts->SetBounds(margin, bottom + (buttonH - scaled(kLabelHeight)) / 2,
                        std::max(0, w - 3 * margin - buttonW), scaled(kLabelHeight));
    m_list->SetBounds(margin, margin, std::max(0, w - 2 * margin), std::max(0, bottom - 2 * margin));
}
