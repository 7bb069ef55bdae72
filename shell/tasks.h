#pragma once

#include <QKeySequence>
#include <QString>
#include <QVector>

// The tasks the host offers, in menu order: the module's entry point and the caption
// of the window it opens. The voucher kinds' tasks are their rows' in VoucherKinds()
// (platform/voucherkinds.h).
struct HostTask
{
    enum Group { Voucher, ReturnFromRetirement, Report, Period };
    const char* entryPoint;
    QString caption;
    Group group;
};

const QVector<HostTask>& HostTasks();
const HostTask* FindHostTask(const QString& entryPoint);
// The tab title of a task: its caption, with the return kinds told apart from the
// retirements they share a caption with.
QString TaskTabTitle(const HostTask& task);
// The key that opens the task from anywhere in the main window: Alt+1 ... Alt+0 for
// the first ten voucher kinds, Ctrl+1 ... Ctrl+8 for the rest (keys no task window
// takes for itself).
QKeySequence TaskShortcut(const HostTask& task);
