#pragma once

#include "sessionsettings.h"

#include <QHash>
#include <QString>

// What came of signing in to a session.
struct SessionSignIn
{
    enum class State {
        SignedIn,
        Refused,     // a wrong password or an unknown user, told alike
        Unavailable, // the company period cannot be opened: `text` says why
    };
    State state = State::Refused;
    QString text; // in Persian, unless signed in
    // The session as signed in: the user's id and name as the user's record has them.
    SessionSettings settings;
    // The record holds no password (older data): one is to be chosen now.
    bool mustChoosePassword = false;
};

// Checks `password` for the session's user on the session's company period: the user
// named settings.userName or, when that is blank, the user of settings.userId. A data
// place without any database first gets the demo company, as the session would. The
// password is neither kept nor shown.
SessionSignIn SignInToSession(const SessionSettings& settings, const QString& password);

// Repeated failures to sign in under one user name make the next try of that name
// wait: WaitAfter(failures) seconds from the last failure. A sign-in that succeeds
// forgets the name's failures. Names are compared as typed on either keyboard layout,
// and any name counts, whether or not such a user exists.
class SignInThrottle
{
public:
    // Seconds to wait after this many failures in a row: none for the first two, then
    // 2, 4, 8, ... up to a minute.
    static int WaitAfter(int failures);
    // The program's own: kept while it runs, across session dialogs.
    static SignInThrottle& Program();

    // Whole seconds still to wait before `name` may try again (0: it may now), at
    // `nowMs` on a steady clock (Clock()).
    int secondsLeft(const QString& name, qint64 nowMs = Clock()) const;
    void failed(const QString& name, qint64 nowMs = Clock());
    void succeeded(const QString& name);

    // Milliseconds of a clock that only goes forward.
    static qint64 Clock();

private:
    struct Failures
    {
        int count = 0;
        qint64 untilMs = 0;
    };
    QHash<QString, Failures> m_failures;
};
