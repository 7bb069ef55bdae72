#include "signin.h"

#include "dbconnection.h"
#include "hostsession.h"
#include "persiantext.h"
#include "useraccounts.h"

#include <QElapsedTimer>
#include <algorithm>

namespace {
QString NameKey(const QString& name)
{
    return SearchForm(name).simplified();
}
} // namespace

SessionSignIn SignInToSession(const SessionSettings& settings, const QString& password)
{
    SessionSignIn outcome;
    outcome.settings = settings;
    QString failure;
    std::unique_ptr<DbConnection> connection = OpenSessionPeriod(settings, &failure);
    if (!connection) {
        outcome.state = SessionSignIn::State::Unavailable;
        outcome.text = failure;
        return outcome;
    }
    UserAccounts::SignIn user;
    try {
        user = UserAccounts::SignInUser(*connection, settings.userName.trimmed(), settings.userId,
                                        password);
    } catch (const DatabaseError& e) {
        outcome.state = SessionSignIn::State::Unavailable;
        outcome.text = PlaceFailureText(e);
        return outcome;
    }
    if (!user.signedIn) {
        outcome.text = UserAccounts::kWrongSignIn;
        return outcome;
    }
    outcome.state = SessionSignIn::State::SignedIn;
    outcome.settings.userId = user.userId;
    outcome.settings.userName = user.userName;
    outcome.mustChoosePassword = user.mustChoosePassword;
    return outcome;
}

int SignInThrottle::WaitAfter(int failures)
{
    if (failures < 3)
        return 0;
    return std::min(60, 1 << std::min(failures - 2, 6));
}

SignInThrottle& SignInThrottle::Program()
{
    static SignInThrottle throttle;
    return throttle;
}

qint64 SignInThrottle::Clock()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return clock.elapsed();
}

int SignInThrottle::secondsLeft(const QString& name, qint64 nowMs) const
{
    const qint64 left = m_failures.value(NameKey(name)).untilMs - nowMs;
    return left > 0 ? int((left + 999) / 1000) : 0;
}

void SignInThrottle::failed(const QString& name, qint64 nowMs)
{
    Failures& f = m_failures[NameKey(name)];
    ++f.count;
    f.untilMs = nowMs + qint64(WaitAfter(f.count)) * 1000;
}

void SignInThrottle::succeeded(const QString& name)
{
    m_failures.remove(NameKey(name));
}
