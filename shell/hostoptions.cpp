#include "hostoptions.h"

#include "helpwindows.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

HostOptions::HostOptions()
{
    parser.setApplicationDescription(QStringLiteral("Fixed-asset voucher module host"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({dataOpt, serverOpt, appOpt, moduleOpt, userOpt, userIdOpt, companyOpt,
                       yearOpt, startOpt, endOpt, noDialogOpt, taskOpt, shotOpt, keysOpt,
                       backupOpt});
}

int AnswerInfoOptions(int argc, char* argv[])
{
    bool asked = false;
    for (int i = 1; i < argc && !asked; ++i)
        for (const char* name : {"-h", "--help", "--help-all", "-?", "-v", "--version"})
            asked = asked || std::strcmp(argv[i], name) == 0;
    if (!asked)
        return -1;
    // A core application: the answer needs no window system, so none is looked for.
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("amval-host"));
    QCoreApplication::setApplicationVersion(ProgramVersion());
    HostOptions options;
    options.parser.parse(QCoreApplication::arguments());
    QString text;
    if (options.parser.isSet(QStringLiteral("help")) ||
        options.parser.isSet(QStringLiteral("help-all")))
        text = options.parser.helpText();
    else
        text = QStringLiteral("amval-host %1 (built %2)\n")
                   .arg(ProgramVersion(), BuildDate().toString(Qt::ISODate));
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
    return 0;
}
