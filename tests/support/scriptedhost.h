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

#include <functional>
#include <memory>

// What the message window looked like when it was shown.
struct ShownMessage
{
    QString text;
    QString title;        // the window caption
    QString panelCaption; // what the caption panel reads
    QStringList buttons;  // object names of the visible buttons, in order
    QString icon;         // object name of the visible icon, or empty
    int height = 0;
    int memoWidth = 0;
    int memoHeight = 0;
    bool memoScrollBar = false;
    QPoint position;
};

// What a scripted window recorded, one entry a showing. A test that reads an entry
// that was never recorded (the window did not show) gets an empty one, which its
// comparison then fails on, instead of ending the whole suite.
template <typename Shown> class ShownRecord : public QList<Shown>
{
public:
    const Shown& first() const { return this->isEmpty() ? kNone : QList<Shown>::first(); }
    const Shown& last() const { return this->isEmpty() ? kNone : QList<Shown>::last(); }
    const Shown& at(qsizetype i) const
    {
        return i >= 0 && i < this->size() ? QList<Shown>::at(i) : kNone;
    }
    const Shown& operator[](qsizetype i) const { return at(i); }

private:
    static inline const Shown kNone{};
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
    ShownRecord<ShownMessage> shown;
    // Runs while each message is up, before it is answered: the test looks at the
    // screen as the user sees it then.
    std::function<void(const ShownMessage&)> whileShown;

    int exec() override;
};

// What the pick-list window held when it was shown.
struct ShownPickList
{
    QString caption;
    int colCount = 0;
    QString keyField;
    QString sql;
    QString positionedKey; // trimmed key of the row the list stood on
    QStringList keys;      // trimmed keys of every listed row, in list order
};

// A pick-list window that chooses from a script: each answer names the key of the
// row to choose (trimmed), or cancels. With no answer queued the row the list
// stands on is chosen, as Enter would.
class TScriptedTempGridForm : public TTempGridForm
{
    Q_OBJECT
public:
    using TTempGridForm::TTempGridForm;

    struct Answer
    {
        QString key;
        bool cancel = false;
    };
    QList<Answer> answers;
    ShownRecord<ShownPickList> shown;

    void choose(const QString& key) { answers << Answer{key, false}; }
    void cancel() { answers << Answer{QString(), true}; }

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
    TScriptedTempGridForm* tempGridForm;
    TShowStateForm* showStateForm;
    std::unique_ptr<TMyDate> myDate;
};
