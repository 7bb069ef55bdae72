#pragma once

class QWidget;
struct TGlobal;
class TMyDate;
struct TMyDatabase;
class TDlgMsg;
class TTempGridForm;
class TShowStateForm;

// The shape all sixteen entry points of the module share: the parent to dock into,
// then the host context (record, date services, database handle, message, pick-list
// and status windows). The result has no meaning.
using TEntryPoint = int(QWidget* parent, TGlobal* global, TMyDate* myDate, TMyDatabase* myDatabase,
                        TDlgMsg* dlgMsg, TTempGridForm* tempGridForm,
                        TShowStateForm* showStateForm);
