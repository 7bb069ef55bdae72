#pragma once

#include "export.h"

#include "context/dlgmsg.h"
#include "context/global.h"
#include "context/mydatabase.h"
#include "context/mydate.h"
#include "context/showstateform.h"
#include "context/tempgridform.h"

// The host context as the last entry point call left it. The host owns every object;
// the module never frees them. Windows read these at the moment of use.
extern "C" {
extern AMVAL_EXPORT TGlobal* Global;
extern AMVAL_EXPORT TMyDate* MyDate;
extern AMVAL_EXPORT TMyDatabase* MyDatabase;
extern AMVAL_EXPORT TDlgMsg* DlgMsg;
extern AMVAL_EXPORT TTempGridForm* TempGridForm;
extern AMVAL_EXPORT TShowStateForm* ShowStateForm;
}

// Stores the six host objects (step 1 of every entry point).
void StoreHostContext(TGlobal* global, TMyDate* myDate, TMyDatabase* myDatabase, TDlgMsg* dlgMsg,
                      TTempGridForm* tempGridForm, TShowStateForm* showStateForm);
