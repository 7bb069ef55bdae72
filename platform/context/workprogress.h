#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QtGlobal>

class QProgressDialog;
class QWidget;

// The progress window of long work the user may stop (the kind the carry-over
// shows): a bar and the button "انصراف", right to left, modal to the window the work
// is for. Quick work shows nothing: the window comes up at once for work of more
// than kManyRows steps, otherwise once the work has taken longer than a moment.
// Between the work's steps it lets the window take the user's clicks and keys.
class TWorkProgress
{
public:
    static constexpr qint64 kManyRows = 2000;

    // `total` steps of work (0 when not known: the bar then only shows that work
    // goes on).
    TWorkProgress(QWidget* parent, const QString& text, qint64 total = 0);
    ~TWorkProgress();
    TWorkProgress(const TWorkProgress&) = delete;
    TWorkProgress& operator=(const TWorkProgress&) = delete;

    // The work has come to `done` steps. False once the user has asked to stop.
    bool step(qint64 done);
    // The same for work that cannot count its steps.
    bool going() { return step(-1); }
    // Whether the user has asked to stop, even since the last step.
    bool stopped() const;

    // Object name of the window.
    static const char* const kObjectName;
    // How long work goes on unseen before its window comes up, in milliseconds
    // (400; a test that stops short work sets 0).
    static qint64& QuietMs();

private:
    void show();

    QPointer<QWidget> m_parent;
    QString m_text;
    qint64 m_total = 0;
    QProgressDialog* m_dialog = nullptr;
    QElapsedTimer m_started;
    QElapsedTimer m_lastLook;
    bool m_stopped = false;
};
