#include "Unit1.h"

#include "runtime/rtApplication.h"

TForm1* Form1 = nullptr;

TForm1::TForm1(TComponent* owner) : TForm(owner)
{
    Form1 = this;
    PublishField(L"cxLabel33", cxLabel33);
    PublishField(L"cxGroupBox1", cxGroupBox1);
    PublishField(L"cxProgressBar", cxProgressBar);
    PublishField(L"cxLabel28", cxLabel28);
    PublishField(L"cxTextEdit9", cxTextEdit9);
    PublishField(L"cxLabel29", cxLabel29);
    PublishField(L"cxTextEdit10", cxTextEdit10);
    PublishField(L"cxLabel30", cxLabel30);
    PublishField(L"cxButtonEdit1", cxButtonEdit1);
    PublishField(L"cxButtonEdit2", cxButtonEdit2);
    PublishField(L"cxLabel31", cxLabel31);
    PublishField(L"cxButton30", cxButton30);
    PublishField(L"cxLabel32", cxLabel32);
    PublishMethod(L"cxButton30Click", TNotifyEvent([this](TObject* s) { cxButton30Click(s); }));
    PublishMethod(L"cxButtonEdit1PropertiesButtonClick",
                  TcxEditButtonClickEvent([this](TObject* s, int i) { cxButtonEdit1PropertiesButtonClick(s, i); }));
    LoadFromResource(L"TFORM1");
}

void TForm1::cxButton30Click(TObject* Sender) {}

void TForm1::cxButtonEdit1PropertiesButtonClick(TObject* Sender, int AButtonIndex)
{
    auto* edit = As<TcxButtonEdit>(Sender);
    (void)edit;
}
