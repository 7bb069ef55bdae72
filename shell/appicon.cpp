#include "appicon.h"

QIcon AmvalIcon()
{
    // The resources live in a static library: registered here, where they are used,
    // so that the linker keeps them.
    Q_INIT_RESOURCE(amval);
    return QIcon(QStringLiteral(":/amval/amval.svg"));
}

QString AmvalDesktopFileName()
{
    return QStringLiteral(AMVAL_APP_ID);
}
