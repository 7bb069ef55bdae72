#include "hostcontext.h"

extern "C" {
TGlobal* Global = nullptr;
TMyDate* MyDate = nullptr;
TMyDatabase* MyDatabase = nullptr;
TDlgMsg* DlgMsg = nullptr;
TTempGridForm* TempGridForm = nullptr;
TShowStateForm* ShowStateForm = nullptr;
}

void StoreHostContext(TGlobal* global, TMyDate* myDate, TMyDatabase* myDatabase, TDlgMsg* dlgMsg,
                      TTempGridForm* tempGridForm, TShowStateForm* showStateForm)
{
    Global = global;
    MyDate = myDate;
    MyDatabase = myDatabase;
    DlgMsg = dlgMsg;
    TempGridForm = tempGridForm;
    ShowStateForm = showStateForm;
}
