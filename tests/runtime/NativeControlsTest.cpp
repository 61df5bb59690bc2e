#include "runtime/rtApplication.h"
#include "runtime/rtStdCtrls.h"

#include <gtest/gtest.h>

namespace {

class NativeControlsTest : public testing::Test {
protected:
    void SetUp() override
    {
        app = std::make_unique<TApplication>();
        form = new TForm(app.get());
        form->SetBounds(60, 60, 320, 240);
    }
    std::unique_ptr<TApplication> app;
    TForm* form = nullptr;
};

// The edit box's text is read back whole, typed by the user or set, whatever its length
// (short texts and long paths are read in different ways).
TEST_F(NativeControlsTest, EditBoxTextReadsBackWholeAtEveryLength)
{
    auto* edit = new TNativeEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 200, 22);
    form->Show();
    for (size_t length : {0u, 1u, 254u, 255u, 256u, 257u, 309u, 1000u}) {
        std::wstring text;
        for (size_t i = 0; i < length; ++i)
            text += static_cast<wchar_t>(i % 7 == 6 ? L'\\' : L'a' + i % 26);
        if (length > 0)
            text.back() = L'末';
        SetWindowTextW(edit->Handle(), text.c_str()); // as a user's change arrives
        EXPECT_EQ(edit->WindowText(), text) << length;
    }
}

TEST_F(NativeControlsTest, TreeViewItemsAndItsNotificationsReachTheWrapper)
{
    auto* tree = new TNativeTreeView(form);
    tree->SetParent(form);
    form->Show();
    std::vector<UINT> codes;
    tree->OnNotify = [&](NMHDR* h) -> LRESULT {
        codes.push_back(h->code);
        return 0;
    };
    HTREEITEM root = tree->AddItem(TVI_ROOT, L"桌面", 7, TVI_LAST, true);
    HTREEITEM child = tree->AddItem(root, L"child", 8);
    EXPECT_EQ(tree->Count(), 2);
    EXPECT_EQ(tree->ItemText(root), L"桌面");
    EXPECT_EQ(tree->ItemData(child), 8);
    EXPECT_EQ(tree->FirstChild(root), child);
    tree->Expand(root);
    tree->Select(child);
    EXPECT_EQ(tree->Selected(), child);
    EXPECT_NE(std::find(codes.begin(), codes.end(), static_cast<UINT>(TVN_ITEMEXPANDINGW)), codes.end());
    EXPECT_NE(std::find(codes.begin(), codes.end(), static_cast<UINT>(TVN_SELCHANGEDW)), codes.end());
}

TEST_F(NativeControlsTest, ModalFormEndsWithTheModalResultOfItsButtonOrEscape)
{
    app->CreateForm(form);
    form->Show();
    TForm* dialog = new TForm(app.get());
    dialog->SetBounds(100, 100, 200, 120);
    auto* ok = new TNativeButton(dialog);
    ok->SetParent(dialog);
    ok->SetModalResult(mrOk);
    auto* cancel = new TNativeButton(dialog);
    cancel->SetParent(dialog);
    cancel->SetTop(40);
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    bool mainDisabledWhileUp = false;
    dialog->OnShow = [&](TObject*) {
        mainDisabledWhileUp = !IsWindowEnabled(form->Handle());
        PostMessageW(ok->Handle(), BM_CLICK, 0, 0);
    };
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_TRUE(mainDisabledWhileUp);
    EXPECT_TRUE(IsWindowEnabled(form->Handle()));
    EXPECT_FALSE(dialog->Visible());
    // Escape clicks the cancel button; the close box answers cancel too.
    dialog->OnShow = [&](TObject*) {
        MSG m{ok->Handle(), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
        dialog->DialogKey(m);
    };
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    dialog->OnShow = [&](TObject*) { PostMessageW(dialog->Handle(), WM_CLOSE, 0, 0); };
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
}

} // namespace
