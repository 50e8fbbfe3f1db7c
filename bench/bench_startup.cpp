// How long the main window takes from construction to its first frame,
// offscreen, in a working directory prepared from the shipped data files.

#include "app/mainwindow.h"
#include "bench_support.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    bench::offscreen_unless_chosen();
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);

    QTemporaryDir dir;
    const QString data = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(CONFIGURATOR_DATA_DIR);
    for (const QString &name : {QStringLiteral("style.css"), QStringLiteral("Models.csv")})
        QFile::copy(data + QLatin1Char('/') + name, dir.filePath(name));
    QDir(dir.path()).mkdir(QStringLiteral("res"));
    QFile::copy(data + QStringLiteral("/res/lumora.ico"), dir.filePath(QStringLiteral("res/lumora.ico")));
    QDir::setCurrent(dir.path());

    // Without the parameter catalogue, then with it: the difference is
    // what building the four parameter pages adds to the start-up.
    const auto median_start_up = [] {
        std::vector<qint64> runs;
        for (int run = 0; run < 5; ++run) {
            QElapsedTimer clock;
            clock.start();
            auto *window = new MainWindow;
            window->show();
            QApplication::processEvents();
            window->grab(); // the first frame, painted
            runs.push_back(clock.elapsed());
            delete window;
            QApplication::processEvents();
        }
        std::sort(runs.begin(), runs.end());
        return runs;
    };
    const std::vector<qint64> bare = median_start_up();
    QFile::copy(data + QStringLiteral("/parametrs.csv"), dir.filePath(QStringLiteral("parametrs.csv")));
    const std::vector<qint64> full = median_start_up();
    std::printf("window start-up, construction to first frame, 5 runs each:\n"
                "  without the parameter catalogue: median %lld ms (min %lld, max %lld)\n"
                "  with the shipped catalogue:      median %lld ms (min %lld, max %lld)\n",
                bare[2], bare.front(), bare.back(), full[2], full.front(), full.back());
    return 0;
}
