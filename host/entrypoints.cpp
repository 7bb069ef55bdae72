#include "entrypoints.h"

#include "databaseerror.h"
#include "gridexport.h"
#include "hostcontext.h"
#include "messages.h"

#include "amvalgardaniunit.h"
#include "amvalsearchunit.h"
#include "asasechangeunit.h"
#include "assetcardunit.h"
#include "assetregisterunit.h"
#include "assetscheduleunit.h"
#include "barkenardunit.h"
#include "barkenarmunit.h"
#include "buycreateunit.h"
#include "changevezaratunit.h"
#include "daraereduceunit.h"
#include "firsttadilunit.h"
#include "foroshdayehunit.h"
#include "importasnadunit.h"
#include "kenardunit.h"
#include "kenarmunit.h"
#include "ledgercheckunit.h"
#include "ncommandunit.h"
#include "soulationchangeunit.h"
#include "tahvilantegalunit.h"

#include <QCoreApplication>

extern "C" {
TBuyCreateForm* BuyCreateForm = nullptr;
TAsaseChangeForm* AsaseChangeForm = nullptr;
TFirstTadilForm* FirstTadilForm = nullptr;
TForoshDayehForm* ForoshDayehForm = nullptr;
TKenarMForm* KenarMForm = nullptr;
TKenarDForm* KenarDForm = nullptr;
TDaraeReduceForm* DaraeReduceForm = nullptr;
TTahvilAntegalForm* TahvilAntegalForm = nullptr;
TSoulationChangeForm* SoulationChangeForm = nullptr;
TAmvalSearchForm* AmvalSearchForm = nullptr;
TNCommandForm* NCommandForm = nullptr;
TImportAsnadForm* ImportAsnadForm = nullptr;
TBarKenarMForm* BarKenarMForm = nullptr;
TChangeVezAratForm* ChangeVezAratForm = nullptr;
TBarKenarDForm* BarKenarDForm = nullptr;
TAmvalGardaniForm* AmvalGardaniForm = nullptr;
TAssetCardForm* AssetCardForm = nullptr;
TLedgerCheckForm* LedgerCheckForm = nullptr;
TAssetRegisterForm* AssetRegisterForm = nullptr;
TAssetScheduleForm* AssetScheduleForm = nullptr;
}

namespace {
// Steps 2-5 of an entry point: create on first use (the variable goes back to null
// when the window is destroyed), then dock and show.
template <class Form> int OpenTask(Form*& variable, QWidget* parent)
{
    if (variable == nullptr) {
        Form* form = nullptr;
        try {
            form = new Form();
        } catch (const DatabaseError& e) {
            // A window that cannot read its company is not opened; the host goes on.
            ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
            return 1;
        }
        variable = form;
        QObject::connect(form, &QObject::destroyed, [&variable, form] {
            if (variable == form)
                variable = nullptr;
        });
    }
    variable->DockInto(parent);
    return 0;
}

template <class Form> void Destroy(Form*& variable)
{
    Form* form = variable;
    variable = nullptr;
    // Without the application object a widget cannot be destroyed safely; the host
    // has already torn its windows down by then.
    if (form != nullptr && QCoreApplication::instance() != nullptr)
        delete form;
}
} // namespace

extern "C" {

#define AMVAL_ENTRY_POINT(name, variable)                                                          \
    int name(QWidget* parent, TGlobal* global, TMyDate* myDate, TMyDatabase* myDatabase,           \
             TDlgMsg* dlgMsg, TTempGridForm* tempGridForm, TShowStateForm* showStateForm)          \
    {                                                                                              \
        StoreHostContext(global, myDate, myDatabase, dlgMsg, tempGridForm, showStateForm);         \
        return OpenTask(variable, parent);                                                         \
    }

AMVAL_ENTRY_POINT(BuyCreate_Amval, BuyCreateForm)
AMVAL_ENTRY_POINT(AsaseChange_Amval, AsaseChangeForm)
AMVAL_ENTRY_POINT(FirstTadil_Amval, FirstTadilForm)
AMVAL_ENTRY_POINT(ForoshDarae_Amval, ForoshDayehForm)
AMVAL_ENTRY_POINT(KenarM_Amval, KenarMForm)
AMVAL_ENTRY_POINT(KenarD_Amval, KenarDForm)
AMVAL_ENTRY_POINT(DaraeReduce_Amval, DaraeReduceForm)
AMVAL_ENTRY_POINT(TahvilEntegal_Amval, TahvilAntegalForm)
AMVAL_ENTRY_POINT(SoulationChange_Amval, SoulationChangeForm)
AMVAL_ENTRY_POINT(Search_Amval, AmvalSearchForm)
AMVAL_ENTRY_POINT(NCommand_Amval, NCommandForm)
AMVAL_ENTRY_POINT(ImportAsnad_Amval, ImportAsnadForm)
AMVAL_ENTRY_POINT(BarKenarM_Amval, BarKenarMForm)
AMVAL_ENTRY_POINT(ChangeVezArat_Amval, ChangeVezAratForm)
AMVAL_ENTRY_POINT(BarKenarD_Amval, BarKenarDForm)
AMVAL_ENTRY_POINT(AmvalGardani_Amval, AmvalGardaniForm)
AMVAL_ENTRY_POINT(AssetCard_Amval, AssetCardForm)
AMVAL_ENTRY_POINT(LedgerCheck_Amval, LedgerCheckForm)
AMVAL_ENTRY_POINT(AssetRegister_Amval, AssetRegisterForm)
AMVAL_ENTRY_POINT(AssetSchedule_Amval, AssetScheduleForm)

#undef AMVAL_ENTRY_POINT

void Release_It()
{
    Destroy(BuyCreateForm);
    Destroy(AsaseChangeForm);
    Destroy(FirstTadilForm);
    Destroy(ForoshDayehForm);
    Destroy(KenarMForm);
    Destroy(BarKenarMForm);
    Destroy(KenarDForm);
    Destroy(DaraeReduceForm);
    Destroy(TahvilAntegalForm);
    Destroy(SoulationChangeForm);
    Destroy(AmvalSearchForm);
    Destroy(AssetCardForm);
    Destroy(LedgerCheckForm);
    Destroy(AssetRegisterForm);
    Destroy(AssetScheduleForm);
    Destroy(NCommandForm);
    Destroy(ImportAsnadForm);
    Destroy(ChangeVezAratForm);
    Destroy(BarKenarDForm);
    Destroy(AmvalGardaniForm);
    ReleaseClipboard();
}

} // extern "C"
