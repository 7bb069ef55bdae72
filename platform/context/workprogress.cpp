#include "workprogress.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QPushButton>

#include <algorithm>
#include <climits>

const char* const TWorkProgress::kObjectName = "WorkProgress";

namespace {
// How often the window is looked at once it is up.
constexpr qint64 kLookEveryMs = 40;
} // namespace

qint64& TWorkProgress::QuietMs()
{
    static qint64 quiet = 400;
    return quiet;
}

TWorkProgress::TWorkProgress(QWidget* parent, const QString& text, qint64 total)
    : m_parent(parent), m_text(text), m_total(std::max<qint64>(0, total))
{
    m_started.start();
    if (m_total > kManyRows)
        show();
}

TWorkProgress::~TWorkProgress()
{
    delete m_dialog;
}

void TWorkProgress::show()
{
    m_dialog = new QProgressDialog(m_parent);
    m_dialog->setObjectName(QLatin1String(kObjectName));
    m_dialog->setWindowTitle(m_text);
    m_dialog->setLabelText(m_text);
    m_dialog->setLayoutDirection(Qt::RightToLeft);
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    m_dialog->setMinimumDuration(0);
    // Wide enough that the bar reads as one.
    m_dialog->setMinimumWidth(360);
    auto* stop = new QPushButton(QStringLiteral("انصراف"), m_dialog);
    stop->setObjectName(QStringLiteral("StopButton"));
    m_dialog->setCancelButton(stop);
    // Steps of a very long work are scaled to the bar's int range.
    m_dialog->setRange(0, m_total > 0 ? int(std::min<qint64>(m_total, INT_MAX)) : 0);
    m_dialog->setValue(0);
    m_dialog->show();
    QCoreApplication::processEvents();
    m_lastLook.start();
}

bool TWorkProgress::stopped() const
{
    return m_stopped || (m_dialog != nullptr && m_dialog->wasCanceled());
}

bool TWorkProgress::step(qint64 done)
{
    if (m_stopped || (m_dialog != nullptr && m_dialog->wasCanceled())) {
        m_stopped = true;
        return false;
    }
    if (m_dialog == nullptr) {
        if (m_started.elapsed() < QuietMs())
            return true;
        show();
    } else if (m_lastLook.elapsed() < kLookEveryMs) {
        return true;
    }
    if (done >= 0 && m_total > 0)
        m_dialog->setValue(int(std::min<qint64>({done, m_total, INT_MAX})));
    QCoreApplication::processEvents();
    m_lastLook.start();
    m_stopped = m_dialog->wasCanceled();
    return !m_stopped;
}
