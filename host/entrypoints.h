#pragma once

#include "context/entrypoint.h"
#include "export.h"

class TBuyCreateForm;
class TAsaseChangeForm;
class TFirstTadilForm;
class TForoshDayehForm;
class TKenarMForm;
class TKenarDForm;
class TDaraeReduceForm;
class TTahvilAntegalForm;
class TSoulationChangeForm;
class TAmvalSearchForm;
class TNCommandForm;
class TImportAsnadForm;
class TBarKenarMForm;
class TChangeVezAratForm;
class TBarKenarDForm;
class TAmvalGardaniForm;
class TAssetCardForm;
class TLedgerCheckForm;
class TAssetRegisterForm;
class TAssetScheduleForm;

// The module boundary: the window variables and the entry points the host calls.
// Every entry point stores the host context, creates its window on first use, docks
// it into `parent` filling it maximised, and shows it without blocking.
extern "C" {
extern AMVAL_EXPORT TBuyCreateForm* BuyCreateForm;
extern AMVAL_EXPORT TAsaseChangeForm* AsaseChangeForm;
extern AMVAL_EXPORT TFirstTadilForm* FirstTadilForm;
extern AMVAL_EXPORT TForoshDayehForm* ForoshDayehForm;
extern AMVAL_EXPORT TKenarMForm* KenarMForm;
extern AMVAL_EXPORT TKenarDForm* KenarDForm;
extern AMVAL_EXPORT TDaraeReduceForm* DaraeReduceForm;
extern AMVAL_EXPORT TTahvilAntegalForm* TahvilAntegalForm;
extern AMVAL_EXPORT TSoulationChangeForm* SoulationChangeForm;
extern AMVAL_EXPORT TAmvalSearchForm* AmvalSearchForm;
extern AMVAL_EXPORT TNCommandForm* NCommandForm;
extern AMVAL_EXPORT TImportAsnadForm* ImportAsnadForm;
extern AMVAL_EXPORT TBarKenarMForm* BarKenarMForm;
extern AMVAL_EXPORT TChangeVezAratForm* ChangeVezAratForm;
extern AMVAL_EXPORT TBarKenarDForm* BarKenarDForm;
extern AMVAL_EXPORT TAmvalGardaniForm* AmvalGardaniForm;
extern AMVAL_EXPORT TAssetCardForm* AssetCardForm;
extern AMVAL_EXPORT TLedgerCheckForm* LedgerCheckForm;
extern AMVAL_EXPORT TAssetRegisterForm* AssetRegisterForm;
extern AMVAL_EXPORT TAssetScheduleForm* AssetScheduleForm;

AMVAL_EXPORT TEntryPoint BuyCreate_Amval;
AMVAL_EXPORT TEntryPoint AsaseChange_Amval;
AMVAL_EXPORT TEntryPoint FirstTadil_Amval;
AMVAL_EXPORT TEntryPoint ForoshDarae_Amval;
AMVAL_EXPORT TEntryPoint KenarM_Amval;
AMVAL_EXPORT TEntryPoint KenarD_Amval;
AMVAL_EXPORT TEntryPoint DaraeReduce_Amval;
AMVAL_EXPORT TEntryPoint TahvilEntegal_Amval;
AMVAL_EXPORT TEntryPoint SoulationChange_Amval;
AMVAL_EXPORT TEntryPoint Search_Amval;
AMVAL_EXPORT TEntryPoint NCommand_Amval;
AMVAL_EXPORT TEntryPoint ImportAsnad_Amval;
AMVAL_EXPORT TEntryPoint BarKenarM_Amval;
AMVAL_EXPORT TEntryPoint ChangeVezArat_Amval;
AMVAL_EXPORT TEntryPoint BarKenarD_Amval;
AMVAL_EXPORT TEntryPoint AmvalGardani_Amval;
AMVAL_EXPORT TEntryPoint AssetCard_Amval;
AMVAL_EXPORT TEntryPoint LedgerCheck_Amval;
AMVAL_EXPORT TEntryPoint AssetRegister_Amval;
AMVAL_EXPORT TEntryPoint AssetSchedule_Amval;

// Destroys the windows that still exist, voucher windows first, and nulls their
// variables; harmless when there are none. The asset count window goes last. What the
// exports left on the clipboard becomes plain text (ReleaseClipboard): the clipboard
// keeps it after the module is unloaded.
AMVAL_EXPORT void Release_It();
}
