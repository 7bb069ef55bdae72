#include "tasks.h"

#include "voucherkinds.h"

const QVector<HostTask>& HostTasks()
{
    static const QVector<HostTask> tasks = [] {
        QVector<HostTask> list;
        // The voucher kinds in catalogue order, the returns from a retirement after
        // every other kind.
        for (const bool returns : {false, true}) {
            for (const VoucherKind* kind : VoucherKindsInListOrder()) {
                if (kind->returnTask == returns)
                    list.append({kind->entryPoint, kind->taskCaption,
                                 returns ? HostTask::ReturnFromRetirement : HostTask::Voucher});
            }
        }
        list.append({"Search_Amval", QStringLiteral("جستجوي اسناد دارايي"), HostTask::Report});
        list.append({"ImportAsnad_Amval", QStringLiteral("انتقال اسناد داراييها از دوره مالي"),
                     HostTask::Period});
        list.append(
            {"NCommand_Amval", QStringLiteral("صدور دستور دريافت/پرداخت"), HostTask::Period});
        // Added after the others, so that the keys of those stay as users know them.
        list.append({"AssetCard_Amval", QStringLiteral("كارت دارايي"), HostTask::Report});
        list.append({"LedgerCheck_Amval", QStringLiteral("كنترل دفتر دارايي با اسناد حسابداري"),
                     HostTask::Report});
        list.append({"AssetRegister_Amval", QStringLiteral("دفتر دارايي در تاريخ"),
                     HostTask::Report});
        list.append({"AssetSchedule_Amval", QStringLiteral("جدول استهلاك و بهاي تمام شده داراييها"),
                     HostTask::Report});
        return list;
    }();
    return tasks;
}

const HostTask* FindHostTask(const QString& entryPoint)
{
    for (const HostTask& task : HostTasks())
        if (entryPoint == QLatin1String(task.entryPoint))
            return &task;
    return nullptr;
}

QString TaskTabTitle(const HostTask& task)
{
    if (task.group == HostTask::ReturnFromRetirement)
        return QStringLiteral("برگشت از ") + task.caption;
    return task.caption;
}

QKeySequence TaskShortcut(const HostTask& task)
{
    static const Qt::Key digits[] = {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5,
                                     Qt::Key_6, Qt::Key_7, Qt::Key_8, Qt::Key_9, Qt::Key_0};
    const QVector<HostTask>& tasks = HostTasks();
    int index = 0;
    while (index < tasks.size() && qstrcmp(tasks.at(index).entryPoint, task.entryPoint) != 0)
        ++index;
    if (index < 10)
        return QKeySequence(Qt::ALT | digits[index]);
    if (index < tasks.size())
        return QKeySequence(Qt::CTRL | digits[index - 10]);
    return QKeySequence();
}
