// Time to make the demo company with a given number of assets, on a new data folder
// (or, with a second argument, on that data place). Prints the time; asserts nothing.

#include "democompany.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int assets = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 300;
    QTemporaryDir dir;
    const QString place = argc > 2 ? QString::fromLocal8Bit(argv[2]) : dir.path();
    QElapsedTimer t;
    t.start();
    try {
        CreateDemoCompany(place, {.currentYear = QStringLiteral("1404"), .assets = assets});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_demo: %s\n", e.what());
        return 1;
    }
    std::printf("demo company with %d assets: %lld ms\n", assets, t.elapsed());
    return 0;
}
