// Stored descriptions that set every published property of the shell tree, its settings
// objects and the browse dialog component: they load, and each value reaches the control,
// its window or the running dialog.
#include "ShellTestSupport.h"

#include "../common/WindowFixture.h"
#include "runtime/rtActnList.h"
#include "runtime/rtMenus.h"
#include "shell/cxShellBrowserDialog.h"
#include "shell/cxShellRegister.h"
#include "shell/cxShellTreeView.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A form whose published handlers note their own name when they run.
class HandlerForm : public TForm {
public:
    explicit HandlerForm(TComponent* owner) : TForm(owner)
    {
        PublishMethod<TNotifyEvent>(L"Notified", [this](TObject*) { calls.push_back(L"Notified"); });
        PublishMethod<TcxTreeNodeAllowEvent>(
            L"Asked", [this](TObject*, HTREEITEM, bool&) { calls.push_back(L"Asked"); });
        // Refuses to open anything: shows that the description's handler is the one in charge.
        PublishMethod<TcxTreeNodeAllowEvent>(L"RefuseExpand", [this](TObject*, HTREEITEM, bool& allow) {
            calls.push_back(L"RefuseExpand");
            allow = false;
        });
        PublishMethod<TcxTreeNodeEvent>(L"Told", [this](TObject*, HTREEITEM) { calls.push_back(L"Told"); });
        PublishMethod<TcxTreeEditedEvent>(
            L"Edited", [this](TObject*, HTREEITEM, std::wstring&) { calls.push_back(L"Edited"); });
        // Leaves out every folder named "b".
        PublishMethod<TcxShellAddFolderEvent>(
            L"AddFolder", [this](TObject*, TcxShellFolder* folder, bool& add) {
                calls.push_back(L"AddFolder");
                std::wstring path = IdListToPath(folder->AbsoluteIdList());
                add = path.size() < 2 || path.substr(path.size() - 2) != L"\\b";
            });
        PublishMethod<TcxShellChangeEvent>(
            L"ShellChanged",
            [this](TObject*, LONG, PCItemIDList, PCItemIDList) { calls.push_back(L"ShellChanged"); });
        PublishMethod<TKeyEvent>(L"Key", [this](TObject*, WORD&, TShiftState) { calls.push_back(L"Key"); });
        PublishMethod<TKeyPressEvent>(L"KeyPress",
                                      [this](TObject*, wchar_t&) { calls.push_back(L"KeyPress"); });
        PublishMethod<TMouseEvent>(
            L"Mouse", [this](TObject*, TMouseButton, TShiftState, int, int) { calls.push_back(L"Mouse"); });
        PublishMethod<TMouseMoveEvent>(
            L"MouseMove", [this](TObject*, TShiftState, int, int) { calls.push_back(L"MouseMove"); });
        PublishMethod<TContextPopupEvent>(
            L"ContextPopup", [this](TObject*, POINT, bool&) { calls.push_back(L"ContextPopup"); });
    }
    // Runs an event the description set and answers the name of the handler that ran.
    template <typename Fn> std::wstring Ran(Fn run)
    {
        calls.clear();
        run();
        return calls.empty() ? L"(none)" : calls.back();
    }
    std::vector<std::wstring> calls;
};

template <typename T> T* Named(TComponent& root, const std::wstring& name)
{
    return dynamic_cast<T*>(root.FindComponent(name));
}

class ShellDescriptionTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        RegisterShellClasses();
        RegisterActionClasses();
        RegisterMenuClasses();
        temp.MakeFolder(L"a");
        temp.MakeFolder(L"a\\a1");
        temp.MakeFolder(L"b");
        temp.MakeFolder(L"c");
    }
    TempFolder temp;
};

TEST_F(ShellDescriptionTest, EveryPublishedPropertyOfTheShellTreeLoadsAndArrives)
{
    HandlerForm root(app.get());
    root.SetBounds(100, 100, 420, 360);
    const std::wstring text = LR"(object Root: TForm
  object Field: TcxTextEdit
    Left = 280
    Top = 12
    TabOrder = 0
  end
  object Tree: TcxShellTreeView
    Left = 8
    Top = 12
    Width = 260
    Height = 220
    Align = alNone
    Anchors = [akLeft, akTop, akRight, akBottom]
    Constraints.MinWidth = 100
    Constraints.MinHeight = 80
    Enabled = True
    ParentColor = False
    ParentFont = True
    PopupMenu = Menu
    TabOrder = 1
    TabStop = False
    Visible = True
    Style.BorderStyle = cbsSingle
    Style.Color = clWindow
    StyleDisabled.BorderStyle = cbsFlat
    StyleFocused.BorderStyle = cbs3D
    StyleHot.BorderStyle = cbsThick
    AutoExpand = True
    ChangeDelay = 120
    DragDropSettings.AllowDragObjects = False
    DragDropSettings.DefaultDropEffect = deLink
    DragDropSettings.DropEffect = [deCopy, deLink]
    DragDropSettings.Scroll = True
    HideSelection = False
    Indent = 27
    Options.ContextMenus = False
    Options.ShowFolders = True
    Options.ShowHidden = True
    Options.ShowNonFolders = False
    Options.ShowToolTip = False
    Options.TrackShellChanges = False
    RightClickSelect = False
    Root.BrowseFolder = bfCustomPath
    Root.CustomPath = ')" + temp.Path() +
                              LR"('
    ShellListView = Viewer
    ShowButtons = False
    ShowInfoTips = True
    ShowLines = False
    ShowRoot = False
    StateImages = States
    TreeHotTrack = True
    OnAddFolder = AddFolder
    OnChange = Notified
    OnChanging = Asked
    OnCollapsed = Told
    OnCollapsing = Asked
    OnContextPopup = ContextPopup
    OnEdited = Edited
    OnEditing = Asked
    OnEnter = Notified
    OnExit = Notified
    OnExpanded = Told
    OnExpanding = RefuseExpand
    OnFocusChanged = Notified
    OnKeyDown = Key
    OnKeyPress = KeyPress
    OnKeyUp = Key
    OnMouseDown = Mouse
    OnMouseEnter = Notified
    OnMouseLeave = Notified
    OnMouseMove = MouseMove
    OnMouseUp = Mouse
    OnShellChange = ShellChanged
  end
  object Menu: TPopupMenu
  end
  object States: TImageList
    Width = 12
    Height = 12
  end
  object Viewer: TPopupMenu
  end
end
)";
    root.LoadFromDescription(text);
    root.Show();
    app->ProcessMessages();
    auto* tv = Named<TcxShellTreeView>(root, L"Tree");
    ASSERT_NE(tv, nullptr);
    TcxInnerShellTreeView* tree = tv->InnerTree();
    ASSERT_TRUE(tree->HandleAllocated());
    const HWND wnd = tree->Handle();

    // Placement, input and the four state styles.
    EXPECT_EQ(tv->Left(), 8);
    EXPECT_EQ(tv->Anchors(), static_cast<TAnchors>(akLeft | akTop | akRight | akBottom));
    EXPECT_EQ(tv->Constraints()->MinWidth(), 100);
    EXPECT_EQ(tv->Constraints()->MinHeight(), 80);
    EXPECT_FALSE(tv->ParentColor());
    EXPECT_TRUE(tv->ParentFont());
    EXPECT_EQ(tv->PopupMenu(), Named<TPopupMenu>(root, L"Menu"));
    EXPECT_EQ(tv->TabOrder(), 1);
    EXPECT_FALSE(tv->TabStop());
    EXPECT_EQ(tv->Style()->BorderStyle(), cbsSingle);
    EXPECT_EQ(tv->StyleDisabled()->BorderStyle(), cbsFlat);
    EXPECT_EQ(tv->StyleFocused()->BorderStyle(), cbs3D);
    EXPECT_EQ(tv->StyleHot()->BorderStyle(), cbsThick);

    // The settings objects.
    EXPECT_FALSE(tv->DragDropSettings()->AllowDragObjects());
    EXPECT_EQ(tv->DragDropSettings()->DefaultEffect(), static_cast<DWORD>(DROPEFFECT_LINK));
    EXPECT_EQ(tv->DragDropSettings()->AllowedEffects(),
              static_cast<DWORD>(DROPEFFECT_COPY | DROPEFFECT_LINK));
    EXPECT_TRUE(tv->DragDropSettings()->Scroll());
    EXPECT_FALSE(tv->Options()->ContextMenus());
    EXPECT_TRUE(tv->Options()->ShowHidden());
    EXPECT_FALSE(tv->Options()->ShowNonFolders());
    EXPECT_FALSE(tv->Options()->ShowToolTip());
    EXPECT_FALSE(tv->Options()->TrackShellChanges());
    EXPECT_FALSE(tree->ChangeWatchRegistered()) << "no tracking: no watch";
    EXPECT_EQ(tv->Root()->BrowseFolder(), bfCustomPath);
    EXPECT_EQ(IdListToPath(tv->Root()->RootIdList()), temp.Path());

    // What reaches the native tree and its window.
    const LONG style = GetWindowLongW(wnd, GWL_STYLE);
    EXPECT_TRUE(style & TVS_SHOWSELALWAYS) << "HideSelection = False";
    EXPECT_FALSE(style & TVS_HASBUTTONS);
    EXPECT_FALSE(style & TVS_HASLINES);
    EXPECT_FALSE(style & TVS_LINESATROOT);
    EXPECT_TRUE(style & TVS_TRACKSELECT);
    EXPECT_TRUE(style & TVS_INFOTIP) << "ShowInfoTips";
    EXPECT_EQ(SendMessageW(wnd, TVM_GETINDENT, 0, 0), 27);
    EXPECT_TRUE(tv->AutoExpand());
    EXPECT_EQ(tv->ChangeDelay(), 120);
    EXPECT_FALSE(tv->RightClickSelect()) << "the description wins over the tree's own default";
    auto* states = Named<TImageList>(root, L"States");
    ASSERT_NE(states, nullptr);
    EXPECT_EQ(tv->StateImages(), states);
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(wnd, TVM_GETIMAGELIST, TVSIL_STATE, 0)),
              states->Handle());
    EXPECT_EQ(tv->ShellListView(), Named<TComponent>(root, L"Viewer"));

    // The events: the add-folder and expanding handlers act on the listing, the others are
    // the form's handlers named in the description.
    HTREEITEM top = tree->TopLevelItem();
    ASSERT_NE(top, nullptr);
    std::vector<std::wstring> listed;
    for (int i = 0; i < tree->ChildCount(top); ++i)
        listed.push_back(tree->ItemText(tree->ChildAt(top, i)));
    EXPECT_EQ(listed, (std::vector<std::wstring>{L"a", L"c"})) << "OnAddFolder left b out";
    root.calls.clear();
    tree->Expand(tree->ChildAt(top, 0));
    EXPECT_EQ(tree->ChildCount(tree->ChildAt(top, 0)), 1) << "listed before the question";
    EXPECT_FALSE(tree->Expanded(tree->ChildAt(top, 0))) << "OnExpanding refused";
    ASSERT_FALSE(root.calls.empty());
    EXPECT_EQ(root.calls.back(), L"RefuseExpand");

    bool allow = true;
    HTREEITEM node = nullptr;
    std::wstring label;
    WORD key = 0;
    wchar_t ch = 0;
    PCItemIDList none = nullptr;
    struct Event {
        const char* name;
        std::function<void()> run;
        const wchar_t* handler;
    };
    const Event events[] = {
        {"OnChange", [&] { tv->OnChange(tv); }, L"Notified"},
        {"OnChanging", [&] { tv->OnChanging(tv, node, allow); }, L"Asked"},
        {"OnCollapsed", [&] { tv->OnCollapsed(tv, node); }, L"Told"},
        {"OnCollapsing", [&] { tv->OnCollapsing(tv, node, allow); }, L"Asked"},
        {"OnContextPopup",
         [&] {
             tv->OnContextPopup(tv, POINT{1, 1}, allow);
         },
         L"ContextPopup"},
        {"OnEdited", [&] { tv->OnEdited(tv, node, label); }, L"Edited"},
        {"OnEditing", [&] { tv->OnEditing(tv, node, allow); }, L"Asked"},
        {"OnEnter", [&] { tv->OnEnter(tv); }, L"Notified"},
        {"OnExit", [&] { tv->OnExit(tv); }, L"Notified"},
        {"OnExpanded", [&] { tv->OnExpanded(tv, node); }, L"Told"},
        {"OnFocusChanged", [&] { tv->OnFocusChanged(tv); }, L"Notified"},
        {"OnKeyDown", [&] { tv->OnKeyDown(tv, key, 0); }, L"Key"},
        {"OnKeyPress", [&] { tv->OnKeyPress(tv, ch); }, L"KeyPress"},
        {"OnKeyUp", [&] { tv->OnKeyUp(tv, key, 0); }, L"Key"},
        {"OnMouseDown", [&] { tv->OnMouseDown(tv, mbLeft, 0, 1, 1); }, L"Mouse"},
        {"OnMouseEnter", [&] { tv->OnMouseEnter(tv); }, L"Notified"},
        {"OnMouseLeave", [&] { tv->OnMouseLeave(tv); }, L"Notified"},
        {"OnMouseMove", [&] { tv->OnMouseMove(tv, 0, 1, 1); }, L"MouseMove"},
        {"OnMouseUp", [&] { tv->OnMouseUp(tv, mbLeft, 0, 1, 1); }, L"Mouse"},
        {"OnShellChange", [&] { tv->OnShellChange(tv, 0, none, none); }, L"ShellChanged"},
    };
    for (const Event& e : events)
        EXPECT_EQ(root.Ran(e.run), e.handler) << e.name;

    // A tree freed before its state images leaves no listener on them behind.
    {
        auto* other = new TcxShellTreeView(&root);
        other->SetStateImages(states);
        ASSERT_TRUE(states->HasChangeListener(other));
        delete other;
        EXPECT_FALSE(states->HasChangeListener(other));
        EXPECT_TRUE(states->HasChangeListener(tv));
    }
    // The list view link and the state images are forgotten when their components go.
    delete Named<TComponent>(root, L"Viewer");
    EXPECT_EQ(tv->ShellListView(), nullptr);
    delete states;
    EXPECT_EQ(tv->StateImages(), nullptr);
    EXPECT_EQ(SendMessageW(wnd, TVM_GETIMAGELIST, TVSIL_STATE, 0), 0);
}

TEST_F(ShellDescriptionTest, ATreeTheDescriptionSaysNothingAboutHidesItsSelectionAndTakesRightClicks)
{
    HandlerForm root(app.get());
    root.LoadFromDescription(LR"(object Root: TForm
  object Tree: TcxShellTreeView
    Root.BrowseFolder = bfCustomPath
    Root.CustomPath = ')" + temp.Path() +
                             LR"('
  end
end
)");
    root.Show();
    app->ProcessMessages();
    auto* tv = Named<TcxShellTreeView>(root, L"Tree");
    ASSERT_NE(tv, nullptr);
    EXPECT_TRUE(tv->HideSelection());
    EXPECT_FALSE(GetWindowLongW(tv->InnerTree()->Handle(), GWL_STYLE) & TVS_SHOWSELALWAYS);
    EXPECT_TRUE(tv->RightClickSelect());
    EXPECT_EQ(tv->StateImages(), nullptr);
    EXPECT_EQ(tv->ShellListView(), nullptr);
    EXPECT_EQ(tv->PopupMenu(), nullptr);
}

TEST_F(ShellDescriptionTest, EveryPublishedPropertyOfTheBrowseDialogLoadsAndReachesTheRunningDialog)
{
    HandlerForm root(app.get());
    root.LoadFromDescription(LR"(object Root: TForm
  object Dialog: TcxShellBrowserDialog
    FolderLabelCaption = 'Pick one'
    LookAndFeel.Kind = lfFlat
    Options.ContextMenus = False
    Options.ShowFolders = True
    Options.ShowHidden = True
    Options.ShowNonFolders = True
    Options.ShowToolTip = False
    Options.TrackShellChanges = False
    Path = ')" + temp.Path() +
                             LR"(\a'
    Root.BrowseFolder = bfCustomPath
    Root.CustomPath = ')" + temp.Path() +
                             LR"('
    ShowButtons = False
    ShowInfoTips = True
    ShowLines = False
    ShowRoot = False
    Title = 'Choose a folder'
  end
end
)");
    auto* dialog = Named<TcxShellBrowserDialog>(root, L"Dialog");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->LookAndFeel()->Kind(), lfFlat);
    EXPECT_EQ(dialog->Path(), temp.Path() + L"\\a");

    std::wstring caption, label, selected;
    bool contextMenus = true, showHidden = false, showNonFolders = false, toolTip = true, tracking = true;
    LONG style = 0;
    TcxLookAndFeelKind formKind = lfStandard;
    dialog->OnShow = [&](TObject* sender) {
        auto* form = static_cast<TcxShellBrowserDlg*>(sender);
        caption = form->Text();
        label = form->lblFolder->Text();
        TcxShellTreeView* tv = form->cxStv;
        selected = tv->SelectedPath();
        contextMenus = tv->Options()->ContextMenus();
        showHidden = tv->Options()->ShowHidden();
        showNonFolders = tv->Options()->ShowNonFolders();
        toolTip = tv->Options()->ShowToolTip();
        tracking = tv->Options()->TrackShellChanges();
        style = GetWindowLongW(tv->InnerTree()->Handle(), GWL_STYLE);
        formKind = tv->Style()->LookAndFeel()->Kind();
        PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
    };
    EXPECT_FALSE(dialog->RunDialog());
    EXPECT_EQ(caption, L"Choose a folder");
    EXPECT_EQ(label, L"Pick one");
    EXPECT_EQ(selected, temp.Path() + L"\\a");
    EXPECT_FALSE(contextMenus);
    EXPECT_TRUE(showHidden);
    EXPECT_TRUE(showNonFolders);
    EXPECT_FALSE(toolTip);
    EXPECT_FALSE(tracking);
    EXPECT_FALSE(style & TVS_HASBUTTONS);
    EXPECT_FALSE(style & TVS_HASLINES);
    EXPECT_FALSE(style & TVS_LINESATROOT);
    EXPECT_TRUE(style & TVS_INFOTIP);
    EXPECT_EQ(formKind, lfFlat) << "the component's look and feel leads the dialog's tree";
}

} // namespace
