#include "scriptedhost.h"
#include <QDebug>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "commandquery.h"
#include "context/captionpanel.h"

int TScriptedDlgMsg::exec()
{
    ShownMessage m;
    m.text = Memo->toPlainText();
    m.title = windowTitle();
    m.panelCaption = Caption_Panel->caption();
    for (QPushButton* b : {BBtnOK1, BBtnOK2, BBtnCancel, BBtnYes, BBtnNo})
        if (b->isVisibleTo(this))
            m.buttons << b->objectName();
    for (QLabel* icon : {I_Info, I_Warning, I_Question, I_Error, I_Stop})
        if (icon->isVisibleTo(this))
            m.icon = icon->objectName();
    m.height = height();
    m.memoWidth = Memo->width();
    m.memoHeight = Memo->height();
    m.memoScrollBar = Memo->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn;
    m.position = pos();
    shown << m;
    // AMVAL_TEST_MESSAGES=1: each message is written out as it is shown, to follow a
    // test that went another way than expected.
    if (qEnvironmentVariableIsSet("AMVAL_TEST_MESSAGES"))
        qWarning().noquote() << "message shown:" << m.text;
    if (whileShown)
        whileShown(m);

    if (!answers.isEmpty())
        return answers.takeFirst();
    if (m.buttons.isEmpty())
        return mrCancel;
    const QString first = m.buttons.first();
    if (first == QLatin1String("BBtnYes"))
        return mrYes;
    return mrOk;
}

int TScriptedTempGridForm::exec()
{
    OpenList();
    ShownPickList list;
    list.caption = Caption();
    list.colCount = int(List().titles.size());
    list.keyField = List().keyField;
    list.sql = quTemp->sql();
    const DataField* key = quTemp->active() ? quTemp->findField(List().keyField) : nullptr;
    if (key != nullptr) {
        if (!quTemp->isEmpty())
            list.positionedKey = key->asString().trimmed();
        for (int row = 0; row < quTemp->recordCount(); ++row)
            list.keys << quTemp->value(row, key->index()).toString().trimmed();
    }
    shown << list;

    int result = mrCancel;
    const Answer answer =
        answers.isEmpty() ? Answer{list.positionedKey, false} : answers.takeFirst();
    if (!answer.cancel && key != nullptr) {
        const int row = list.keys.indexOf(answer.key);
        if (row >= 0) {
            quTemp->setCurrentRow(row);
            result = mrChosen;
        }
    }
    setResult(result);
    return result;
}

ScriptedHost::ScriptedHost()
{
    global.TempStem = "TST";
    global.OSName = "Linux";
    global.CharSetMode = "UNICODE";
    global.UserName = "كاربر آزمون";
    global.DatabaseName = "ZELMORA_1_1403";
    global.Today = "1403/06/15";
    global.StartDate = "1403/01/01";
    global.EndDate = "1403/12/30";
    global.CompanyCode = "1";
    global.FiscalYear = "1403";
    global.DefaultTitle = "عنوان پيش فرض";
    global.UserID = 1;

    dlgMsg = new TScriptedDlgMsg(&owner);
    tempGridForm = new TScriptedTempGridForm(&owner);
    showStateForm = new TShowStateForm(&owner);
    myDate = std::make_unique<TMyDate>(&global, dlgMsg);
}

ScriptedHost::~ScriptedHost() = default;
