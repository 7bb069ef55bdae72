#pragma once

#include "context/dlgmsg.h"
#include "context/global.h"
#include "context/mydatabase.h"
#include "context/mydate.h"
#include "context/showstateform.h"
#include "context/tempgridform.h"

#include <QList>
#include <QPoint>
#include <QStringList>
#include <QWidget>

#include <memory>

// What the message window looked like when it was shown.
struct ShownMessage
{
    QString text;
    QString title;        // the window caption
    QString panelCaption; // what the caption panel reads
    QStringList buttons;  // object names of the visible buttons, in order
    QString icon;         // object name of the visible icon, or empty
    QString okCaption;    // text of BBtnOK1
    int height = 0;
    int memoLeft = 0;
    int memoWidth = 0;
    int memoHeight = 0;
    bool memoScrollBar = false;
    QPoint position;
};

// A message window that answers from a script instead of waiting for a person.
class TScriptedDlgMsg : public TDlgMsg
{
    Q_OBJECT
public:
    using TDlgMsg::TDlgMsg;

    // Queued answers; when none is queued the first visible button answers, as Enter
    // would.
    QList<int> answers;
    QList<ShownMessage> shown;

    int exec() override;
};

// The host context as a test host provides it: a record with a fiscal period, the
// date services, a database handle without connection and the three host windows.
class ScriptedHost
{
public:
    ScriptedHost();
    ~ScriptedHost();

    TGlobal global;
    TMyDatabase database;
    QWidget owner;
    TScriptedDlgMsg* dlgMsg;
    TTempGridForm* tempGridForm;
    TShowStateForm* showStateForm;
    std::unique_ptr<TMyDate> myDate;
};
