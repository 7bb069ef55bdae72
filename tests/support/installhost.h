#pragma once

#include "hostcontext.h"
#include "scriptedhost.h"

// Makes the scripted host the module's host context, as an entry point call would.
inline void InstallHost(ScriptedHost& host)
{
    StoreHostContext(&host.global, host.myDate.get(), &host.database, host.dlgMsg,
                     host.tempGridForm, host.showStateForm);
}
