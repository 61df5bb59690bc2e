// Every class a stored description may create takes a description that sets each of its
// published properties: what a fresh instance reports, written the way a description is
// written, loads into another fresh instance and arrives unchanged. A property that a class
// publishes but cannot read, or reads in a form its own setter refuses, shows up here.
#include "controls/cxControlsRegister.h"
#include "editors/cxButtonEdit.h"
#include "editors/cxEditRegister.h"
#include "runtime/rtActnList.h"
#include "runtime/rtApplication.h"
#include "runtime/rtControls.h"
#include "runtime/rtForms.h"
#include "runtime/rtGraphics.h"
#include "runtime/rtMenus.h"
#include "runtime/rtTypInfo.h"
#include "shell/cxShellRegister.h"
#include "tests/common/StoredPicture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

struct StoredProperty {
    std::wstring path;
    TValue value;
};

std::wstring Upper(std::wstring s)
{
    for (wchar_t& c : s)
        c = static_cast<wchar_t>(std::towupper(c));
    return s;
}

// A string as a description writes it: quoted runs, doubled quotes, control characters as #n.
std::wstring Quoted(const std::wstring& s)
{
    if (s.empty())
        return L"''";
    std::wstring out;
    bool open = false;
    for (wchar_t c : s) {
        if (c < 32) {
            if (open)
                out += L'\'';
            open = false;
            out += L'#' + std::to_wstring(static_cast<int>(c));
            continue;
        }
        if (!open)
            out += L'\'';
        open = true;
        out += c;
        if (c == L'\'')
            out += L'\'';
    }
    if (open)
        out += L'\'';
    return out;
}

std::wstring Written(const TValue& v)
{
    switch (v.kind) {
    case TValue::Kind::String: return Quoted(v.text);
    case TValue::Kind::Float: {
        wchar_t buffer[64];
        swprintf(buffer, 64, L"%.17g", v.number);
        std::wstring text = buffer;
        if (text.find_first_of(L".eE") == std::wstring::npos)
            text += L".0";
        return text;
    }
    case TValue::Kind::List: {
        std::wstring r = L"(";
        for (const std::wstring& item : v.names)
            r += L" " + Quoted(item);
        return r + L" )";
    }
    case TValue::Kind::Binary: return StoredBinary(v.bytes);
    default: return v.ToText();
    }
}

bool SameValue(const TValue& a, const TValue& b)
{
    if (a.kind != b.kind)
        return false;
    switch (a.kind) {
    case TValue::Kind::Integer: return a.integer == b.integer;
    case TValue::Kind::Float: return a.number == b.number;
    case TValue::Kind::Ident: return Upper(a.text) == Upper(b.text);
    case TValue::Kind::String: return a.text == b.text;
    case TValue::Kind::Set:
    case TValue::Kind::List: return a.names == b.names;
    case TValue::Kind::Binary: return a.bytes == b.bytes;
    default: return true;
    }
}

// Every published property of object that holds a value, by its dotted path through the settings
// objects it owns; collections are left to the tests of their classes, events need handlers of
// their own type. Any other property without a reader lands in unreadable.
void Collect(TPersistent& object, const std::wstring& prefix, int depth, std::vector<StoredProperty>& out,
             std::vector<std::wstring>& unreadable)
{
    // A class may publish a base's property again under its own value names: the most derived
    // entry is the one a description's reader finds, so it is the one written, in the base's place.
    std::vector<const TClassInfo*> chain;
    std::map<std::wstring, const TPropertyInfo*> effective;
    for (const TClassInfo* c = PropertiesOf(object); c; c = c->Parent()) {
        chain.insert(chain.begin(), c);
        for (const TPropertyInfo& p : c->Properties())
            effective.emplace(Upper(p.name), &p);
    }
    std::set<std::wstring> seen;
    for (const TClassInfo* c : chain)
        for (const TPropertyInfo& base : c->Properties()) {
            if (!seen.insert(Upper(base.name)).second || Upper(base.name) == L"NAME")
                continue;
            const TPropertyInfo& p = *effective[Upper(base.name)];
            const std::wstring path = prefix + p.name;
            if (p.collection)
                continue;
            if (p.object) {
                if (TPersistent* inner = p.object(object); inner && depth < 5)
                    Collect(*inner, path + L".", depth + 1, out, unreadable);
                continue;
            }
            if (!p.get) {
                // Events name handlers of the root.
                if (p.name.rfind(L"On", 0) != 0)
                    unreadable.push_back(path);
                continue;
            }
            TValue v = p.get(object);
            if (v.kind == TValue::Kind::Collection)
                continue;
            out.push_back({path, std::move(v)});
        }
}

class PublishedPropertiesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        RegisterEditorClasses();
        RegisterDisplayControlClasses();
        RegisterShellClasses();
        RegisterActionClasses();
        RegisterMenuClasses();
    }
    TApplication app;
};

TEST_F(PublishedPropertiesTest, EveryClassLoadsADescriptionSettingEachPublishedProperty)
{
    const std::vector<std::wstring> classes = RegisteredComponentClasses();
    ASSERT_FALSE(classes.empty());
    for (const std::wstring& name : classes) {
        SCOPED_TRACE(ToUtf8(name));
        std::vector<StoredProperty> stored;
        std::vector<std::wstring> unreadable;
        std::wstring className;
        {
            TForm form(&app);
            TComponent* fresh = nullptr;
            ASSERT_NO_THROW(fresh = CreateRegisteredComponent(name, &form));
            if (dynamic_cast<TCustomForm*>(fresh))
                continue; // a form is the root of a description, not a child in one
            className = fresh->ClassName();
            // As in a description: a control sits on the form, which gives it its place in the tab order.
            if (auto* control = dynamic_cast<TWinControl*>(fresh))
                control->SetParent(&form);
            Collect(*fresh, L"", 0, stored, unreadable);
            // Setting a value marks it assigned and stops it following the parent: the marks and
            // the follow-the-parent flags a fresh instance reports are written after the values.
            std::stable_partition(stored.begin(), stored.end(), [](const StoredProperty& p) {
                const std::wstring leaf = p.path.substr(p.path.rfind(L'.') + 1);
                return leaf != L"AssignedValues" && leaf != L"IsFontAssigned" &&
                       leaf.rfind(L"Parent", 0) != 0;
            });
        }
        for (const std::wstring& path : unreadable)
            ADD_FAILURE() << "published but not readable, so no description can keep it: " << ToUtf8(path);
        std::wstring text = L"object Root: TForm\n  object Subject: " + className + L"\n";
        for (const StoredProperty& p : stored)
            text += L"    " + p.path + L" = " + Written(p.value) + L"\n";
        text += L"  end\nend\n";

        TForm form(&app);
        try {
            form.LoadFromDescription(text);
        } catch (const Exception& e) {
            ADD_FAILURE() << "does not load: " << ToUtf8(e.Message()) << "\n" << ToUtf8(text);
            continue;
        }
        TComponent* loaded = form.FindComponent(L"Subject");
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->ClassName(), className);
        for (const StoredProperty& p : stored) {
            TValue now;
            ASSERT_NO_THROW(now = GetPropertyByName(*loaded, p.path)) << ToUtf8(p.path);
            EXPECT_TRUE(SameValue(now, p.value)) << ToUtf8(p.path) << " written " << ToUtf8(Written(p.value))
                                                 << ", read back " << ToUtf8(Written(now));
        }
    }
}

// The colour of pixel (x, y) of the pictures below.
COLORREF PixelColour(int x, int y)
{
    return RGB(40 + 50 * x, 30 + 70 * y, 200 - 20 * x - 10 * y);
}

// The pixels that differ from PixelColour, or why the value is no picture of that size.
std::string PictureDifference(const TValue& value, int width, int height)
{
    UniqueBitmap picture;
    try {
        picture = ValueToBitmap(value);
    } catch (const Exception& e) {
        return ToUtf8(e.Message());
    }
    BITMAP info{};
    if (!picture || !GetObjectW(picture.get(), sizeof(info), &info))
        return "no picture";
    if (info.bmWidth != width || info.bmHeight != height)
        return "size " + std::to_string(info.bmWidth) + "x" + std::to_string(info.bmHeight);
    UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    SelectGuard sel(dc.get(), picture.get());
    std::string wrong;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (GetPixel(dc.get(), x, y) != PixelColour(x, y))
                wrong += " (" + std::to_string(x) + "," + std::to_string(y) + ")";
    return wrong;
}

// A picture a description gives a control reads back as the same pixels, and what it reads back
// loads again as the same picture: a designer that saves what it loaded keeps the pictures.
TEST_F(PublishedPropertiesTest, PicturesReadBackAsTheyWereLoaded)
{
    struct Case {
        const wchar_t* className;
        const wchar_t* path;
        const wchar_t* before; // other settings the picture needs
        int width, height;
    };
    const Case cases[] = {
        {L"TcxButton", L"Glyph", L"", 5, 4},
        {L"TcxLabel", L"Properties.Glyph", L"", 3, 3},
        {L"TcxProgressBar", L"Properties.ForegroundImage", L"", 6, 2},
        {L"TImageList", L"Bitmap", L"    Width = 3\n    Height = 2\n", 6, 2}, // two images of 3x2
    };
    TValue stored;
    stored.kind = TValue::Kind::Binary;
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.path));
        SCOPED_TRACE(ToUtf8(c.className));
        stored.bytes = BitmapFile(c.width, c.height, PixelColour);
        TValue readBack;
        for (int round = 0; round < 2; ++round) {
            const TValue& written = round == 0 ? stored : readBack;
            TForm form(&app);
            form.LoadFromDescription(L"object Root: TForm\n  object Subject: " + std::wstring(c.className) +
                                     L"\n" + c.before + L"    " + c.path + L" = " + Written(written) +
                                     L"\n  end\nend\n");
            TComponent* subject = form.FindComponent(L"Subject");
            ASSERT_NE(subject, nullptr);
            readBack = GetPropertyByName(*subject, c.path);
            ASSERT_EQ(readBack.kind, TValue::Kind::Binary);
            EXPECT_EQ(PictureDifference(readBack, c.width, c.height), "") << "round " << round;
        }
        // No picture reads back as empty data, which loads as no picture.
        TForm form(&app);
        form.LoadFromDescription(L"object Root: TForm\n  object Subject: " + std::wstring(c.className) +
                                 L"\n    " + c.path + L" = {}\n  end\nend\n");
        EXPECT_TRUE(GetPropertyByName(*form.FindComponent(L"Subject"), c.path).bytes.empty());
    }

    // An edit button's glyph, inside the buttons collection.
    TForm form(&app);
    stored.bytes = BitmapFile(4, 4, PixelColour);
    form.LoadFromDescription(
        L"object Root: TForm\n  object Subject: TcxButtonEdit\n"
        L"    Properties.Buttons = <\n      item\n        Kind = bkGlyph\n        Glyph = " +
        Written(stored) + L"\n      end>\n  end\nend\n");
    auto* edit = dynamic_cast<TcxButtonEdit*>(form.FindComponent(L"Subject"));
    ASSERT_NE(edit, nullptr);
    TcxEditButton* button = edit->Properties()->Buttons()->Items(0);
    const TPropertyInfo* glyph = PropertiesOf(*button)->Find(L"Glyph");
    ASSERT_TRUE(glyph && glyph->get);
    EXPECT_EQ(PictureDifference(glyph->get(*button), 4, 4), "");
}

} // namespace
