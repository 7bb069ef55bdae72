#include "tasks.h"

const QVector<HostTask>& HostTasks()
{
    static const QVector<HostTask> tasks = {
        {"BuyCreate_Amval", QStringLiteral("خريد/ساخت"), HostTask::Voucher},
        {"ForoshDarae_Amval", QStringLiteral("فروش دارايي"), HostTask::Voucher},
        {"KenarD_Amval", QStringLiteral("كنارگذاري دايمي"), HostTask::Voucher},
        {"KenarM_Amval", QStringLiteral("کنارگذاري موقت"), HostTask::Voucher},
        {"TahvilEntegal_Amval", QStringLiteral("تحويل/انتقال"), HostTask::Voucher},
        {"AsaseChange_Amval", QStringLiteral("تعميرات اساسي"), HostTask::Voucher},
        {"SoulationChange_Amval", QStringLiteral("تغيير روش/برآورد"), HostTask::Voucher},
        {"DaraeReduce_Amval", QStringLiteral("کاهش دارايي"), HostTask::Voucher},
        {"FirstTadil_Amval", QStringLiteral("تعديلات اوليه"), HostTask::Voucher},
        {"ChangeVezArat_Amval", QStringLiteral("تغيير اظهارنامه مالياتي"), HostTask::Voucher},
        {"AmvalGardani_Amval", QStringLiteral("اموال گرداني"), HostTask::Voucher},
        {"BarKenarM_Amval", QStringLiteral("کنارگذاري موقت"), HostTask::ReturnFromRetirement},
        {"BarKenarD_Amval", QStringLiteral("کنارگذاري دايم"), HostTask::ReturnFromRetirement},
        {"Search_Amval", QStringLiteral("جستجوي اسناد دارايي"), HostTask::Report},
        {"ImportAsnad_Amval", QStringLiteral("انتقال اسناد داراييها از دوره مالي"),
         HostTask::Period},
        {"NCommand_Amval", QStringLiteral("صدور دستور دريافت/پرداخت"), HostTask::Period},
    };
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
